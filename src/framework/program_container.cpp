#include "framework/program_container.h"

#include "framework/error_report.h"
#include "framework/param_container.h"

namespace qv {

CProgramBase::CProgramBase(const float* valueArray, std::uint32_t count, const char* programName) {
    static const char* const kDetail = "Unable to initialize Presets - CProgramBase::CProgramBase";
    if (count == 0 || valueArray == nullptr) {
        reportError(kErrNullPointer, "Nolvatek", kDetail);
        throw 0;
    }
    try {
        values.assign(valueArray, valueArray + count);
        name = programName ? programName : "";
    } catch (...) {
        reportError(kErrNotEnoughMemory, "Nolvatek", kDetail);
        throw 0;
    }
}

void CProgramContainerBase::setProgram(std::uint32_t index) {
    if (index >= programs.size()) return;
    const CProgramBase& program = *programs[index];
    if (params) {
        for (std::uint32_t i = 0; i < program.size(); ++i) params->setValue(i, program.getValue(i), 0, false);
    }
    current = index;
}

std::string CProgramContainerBase::getCurrentName() const {
    return current < programs.size() ? programs[current]->getName() : std::string();
}

bool CProgramContainerBase::getName(std::uint32_t index, std::string& name) const {
    if (index >= programs.size()) return false;
    name = programs[index]->getName();
    return true;
}

void CProgramContainerBase::setCurrentName(const char* text) {
    if (current < programs.size() && text) programs[current]->setName(text);
}

void CProgramContainerBase::setValue(std::uint32_t index, float value) {
    if (current < programs.size()) programs[current]->setValue(index, value);
}

CProgramContainer::CProgramContainer(CParamContainerBase* parameterSet) : CProgramContainerBase(parameterSet) {
    const float values[] = {1.0f};
    programs.push_back(std::make_unique<CProgram>(values, 1, "default"));
}

}  // namespace qv
