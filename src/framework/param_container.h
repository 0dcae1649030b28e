// Host-visible parameters: descriptors that AddParams turns into live parameters, each keeping a
// normalized (host) value and a plain (user) value converted through an optional function, and
// the analyzer's container with its 388-entry map from setting identifiers to parameter indices.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class CParamBase;

// converter(parameter, direction, context, value): direction 0 turns a normalized value into a
// plain one, 1 a plain one into a normalized one.
using ParamConverter = float (*)(const CParamBase& parameter, int direction, std::uint32_t* context, float value);

class CParamBase {
public:
    // The terminator of a descriptor table (count 0).
    explicit CParamBase(int terminator = 0);
    // A continuous parameter or a numbered group of them (name holds one "%d" for a group).
    CParamBase(const char* name, float minimum, float maximum, float defaultValue, std::uint32_t kind,
               const char* label, float extra1, float extra2, float extra3, std::uint32_t* indexSlot,
               ParamConverter converter, std::uint32_t displayTag, std::int32_t firstNumber,
               std::uint32_t lastNumber);
    // An integer parameter or a numbered group of them.
    CParamBase(const char* name, std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue,
               std::uint32_t kind, const char* label, std::int32_t extra1, std::int32_t extra2,
               std::int32_t extra3, std::uint32_t* indexSlot, ParamConverter converter,
               std::uint32_t displayTag, std::int32_t firstNumber, std::uint32_t lastNumber);

    // direction 0: value is normalized; 1: value is plain. noConvert keeps the other value as is.
    void setValue(float value, int direction, bool noConvert);
    float value(int direction) const { return direction == 1 ? plainValue : normalizedValue; }

    std::string name;
    float minimum = 0, maximum = 0, defaultValue = 0;
    std::uint32_t kind = 0;
    std::string label;
    float extra1 = 0, extra2 = 0, extra3 = 0;
    std::uint32_t displayTag = 0;
    std::int32_t firstNumber = 0;
    std::uint32_t lastNumber = 0;
    float plainValue = 0;
    float normalizedValue = 0;
    std::int32_t integerMinimum = 0, integerMaximum = 0, integerDefault = 0;
    std::int32_t integerExtra1 = 0, integerExtra2 = 0, integerExtra3 = 0;
    std::int32_t integerValue = 0;
    std::uint32_t* indexSlot = nullptr;
    std::uint32_t count = 0;
    std::uint32_t isInteger = 0;
    ParamConverter converter = nullptr;

private:
    void storeStrings(const char* nameText, const char* labelText);
    void setCount(std::int32_t first, std::uint32_t last);
};

class CParamContainerBase {
public:
    CParamContainerBase() = default;
    virtual ~CParamContainerBase() = default;
    CParamContainerBase(const CParamContainerBase&) = delete;
    CParamContainerBase& operator=(const CParamContainerBase&) = delete;

    virtual std::uint32_t getNumIds() const { return numIds; }

    // Builds the parameters from a table ended by a descriptor of count 0. A second call returns 0.
    std::uint32_t AddParams(const CParamBase* descriptors);

    std::uint32_t size() const { return count; }
    void setValue(std::uint32_t index, float value, int direction, bool noConvert);
    float getValue(std::uint32_t index, int direction) const;
    const char* getName(std::uint32_t index) const;
    const char* getLabel(std::uint32_t index) const;
    float getMinimum(std::uint32_t index) const;
    float getMaximum(std::uint32_t index) const;
    float getDefault(std::uint32_t index) const;
    std::uint32_t getKind(std::uint32_t index) const;
    std::int32_t getIntegerValue(std::uint32_t index) const;

protected:
    std::uint32_t numIds = 0;
    std::uint32_t count = 0;
    bool added = false;
    std::vector<CParamBase> parameters;
};

// The analyzer's parameter set: no host parameters, 388 setting identifiers mapped to themselves.
class CParamContainer : public CParamContainerBase {
public:
    static constexpr std::uint32_t kNumIds = 388;
    CParamContainer();
    // Parameter index of a setting identifier, or 0xFFFFFFFF for an unknown identifier.
    std::uint32_t indexOfId(std::uint32_t id) const { return id < kNumIds ? idMap[id] : 0xFFFFFFFFu; }

private:
    std::vector<std::uint32_t> idMap;
};

}  // namespace qv
