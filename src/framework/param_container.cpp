#include "framework/param_container.h"

#include <new>

#include "framework/error_report.h"

namespace qv {
namespace {

// A group's name format holds one "%d"; it is replaced by the running number.
std::string formatGroupName(const std::string& format, std::int32_t number) {
    const auto at = format.find("%d");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + std::to_string(number) + format.substr(at + 2);
}

}  // namespace

CParamBase::CParamBase(int) { count = 0; }

CParamBase::CParamBase(const char* nameText, float minimumValue, float maximumValue, float defaultVal,
                       std::uint32_t kindCode, const char* labelText, float e1, float e2, float e3,
                       std::uint32_t* slot, ParamConverter conv, std::uint32_t tag, std::int32_t first,
                       std::uint32_t last)
    : minimum(minimumValue), maximum(maximumValue), defaultValue(defaultVal), kind(kindCode),
      extra1(e1), extra2(e2), extra3(e3), displayTag(tag), firstNumber(first), lastNumber(last),
      normalizedValue(defaultVal), indexSlot(slot), isInteger(0), converter(conv) {
    storeStrings(nameText, labelText);
    setCount(first, last);
}

CParamBase::CParamBase(const char* nameText, std::int32_t minimumValue, std::int32_t maximumValue,
                       std::int32_t defaultVal, std::uint32_t kindCode, const char* labelText,
                       std::int32_t e1, std::int32_t e2, std::int32_t e3, std::uint32_t* slot,
                       ParamConverter conv, std::uint32_t tag, std::int32_t first, std::uint32_t last)
    : kind(kindCode), displayTag(tag), firstNumber(first), lastNumber(last),
      integerMinimum(minimumValue), integerMaximum(maximumValue), integerDefault(defaultVal),
      integerExtra1(e1), integerExtra2(e2), integerExtra3(e3), integerValue(defaultVal),
      indexSlot(slot), isInteger(1), converter(conv) {
    storeStrings(nameText, labelText);
    setCount(first, last);
}

void CParamBase::storeStrings(const char* nameText, const char* labelText) {
    try {
        name = nameText ? nameText : "";
        label = labelText ? labelText : "";
    } catch (...) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "Unable to initialize Parameters - CParamBase::StoreStrings");
        throw 0;
    }
}

void CParamBase::setCount(std::int32_t first, std::uint32_t last) {
    count = (first >= 0 && last > static_cast<std::uint32_t>(first)) ? last - static_cast<std::uint32_t>(first) + 1 : 1;
}

void CParamBase::setValue(float value, int direction, bool noConvert) {
    if (direction == 0) {
        normalizedValue = value;
        if (!noConvert) plainValue = converter ? converter(*this, 0, indexSlot, normalizedValue) : normalizedValue;
    } else {
        plainValue = value;
        if (!noConvert) normalizedValue = converter ? converter(*this, 1, indexSlot, plainValue) : plainValue;
    }
}

std::uint32_t CParamContainerBase::AddParams(const CParamBase* descriptors) {
    if (added) return 0;
    added = true;
    try {
        std::uint32_t total = 0;
        for (const CParamBase* d = descriptors; d && d->count != 0; ++d) total += d->count;
        parameters.assign(total, CParamBase(0));
        std::uint32_t i = 0;
        for (const CParamBase* d = descriptors; d && d->count != 0; ++d) {
            if (d->indexSlot) *d->indexSlot = i;
            for (std::uint32_t k = 0; k < d->count; ++k, ++i) {
                CParamBase& p = parameters[i];
                p = *d;
                if (d->count > 1) {
                    p.name = formatGroupName(d->name, d->firstNumber + static_cast<std::int32_t>(k));
                }
                if (!p.isInteger) p.setValue(d->defaultValue, p.converter ? 1 : 0, false);
            }
        }
        count = i;
        return i;
    } catch (...) {
        added = false;
        reportError(kErrNotEnoughMemory, "Nolvatek", "Unable to initialize Parameter Set - CParamContainerBase::AddParams");
        throw 0;
    }
}

void CParamContainerBase::setValue(std::uint32_t index, float value, int direction, bool noConvert) {
    if (index < count) parameters[index].setValue(value, direction, noConvert);
}

float CParamContainerBase::getValue(std::uint32_t index, int direction) const {
    return index < count ? parameters[index].value(direction) : 0.0f;
}

const char* CParamContainerBase::getName(std::uint32_t index) const {
    return index < count ? parameters[index].name.c_str() : nullptr;
}

const char* CParamContainerBase::getLabel(std::uint32_t index) const {
    return index < count ? parameters[index].label.c_str() : nullptr;
}

float CParamContainerBase::getMinimum(std::uint32_t index) const { return index < count ? parameters[index].minimum : 0.0f; }
float CParamContainerBase::getMaximum(std::uint32_t index) const { return index < count ? parameters[index].maximum : 0.0f; }
float CParamContainerBase::getDefault(std::uint32_t index) const { return index < count ? parameters[index].defaultValue : 0.0f; }
std::uint32_t CParamContainerBase::getKind(std::uint32_t index) const { return index < count ? parameters[index].kind : 0; }
std::int32_t CParamContainerBase::getIntegerValue(std::uint32_t index) const {
    return index < count ? parameters[index].integerValue : 0;
}

CParamContainer::CParamContainer() {
    try {
        idMap.assign(kNumIds, 0xFFFFFFFFu);
    } catch (...) {
        reportError(kErrNotEnoughMemory, "Nolvatek: Quorvane", "CParamContainer::CParamContainer");
        throw 0;
    }
    const CParamBase terminatorOnly[] = {CParamBase(0)};
    AddParams(terminatorOnly);
    numIds = kNumIds;
    std::uint32_t c = count;
    for (std::uint32_t id = 0; id < kNumIds; ++id) {
        if (idMap[id] > c) idMap[id] = c++;
    }
}

}  // namespace qv
