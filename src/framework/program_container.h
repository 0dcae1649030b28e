// Programs (named lists of parameter values) and the bank that applies them to a parameter set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class CParamContainerBase;

class CProgramBase {
public:
    // Reports and throws 0 when there are no values (code 2) or they cannot be stored (code 0).
    CProgramBase(const float* values, std::uint32_t count, const char* name);
    virtual ~CProgramBase() = default;

    float getValue(std::uint32_t index) const { return index < values.size() ? values[index] : 0.0f; }
    void setValue(std::uint32_t index, float value) {
        if (index < values.size()) values[index] = value;
    }
    std::uint32_t size() const { return static_cast<std::uint32_t>(values.size()); }
    const std::string& getName() const { return name; }
    void setName(const char* text) { name = text; }

private:
    std::vector<float> values;
    std::string name;
};

class CProgram : public CProgramBase {
public:
    using CProgramBase::CProgramBase;
};

class CProgramContainerBase {
public:
    explicit CProgramContainerBase(CParamContainerBase* parameterSet) : params(parameterSet) {}
    virtual ~CProgramContainerBase() = default;
    CProgramContainerBase(const CProgramContainerBase&) = delete;
    CProgramContainerBase& operator=(const CProgramContainerBase&) = delete;

    std::uint32_t size() const { return static_cast<std::uint32_t>(programs.size()); }
    std::uint32_t getCurrent() const { return current; }
    // Applies program index to the parameter set and makes it current; ignored when out of range.
    void setProgram(std::uint32_t index);
    // Copies the current program's name; empty when there is none. Returns the name.
    std::string getCurrentName() const;
    // Name of program index, or false when out of range.
    bool getName(std::uint32_t index, std::string& name) const;
    void setCurrentName(const char* text);
    void setValue(std::uint32_t index, float value);

protected:
    std::uint32_t current = 0;
    std::vector<std::unique_ptr<CProgramBase>> programs;
    CParamContainerBase* params;
};

// The analyzer's bank: one program, "default", holding one value 1.0.
class CProgramContainer : public CProgramContainerBase {
public:
    explicit CProgramContainer(CParamContainerBase* params);
};

}  // namespace qv
