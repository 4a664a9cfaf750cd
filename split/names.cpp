#include "split/names.h"

#include <cctype>
#include <cstring>

#include "format/part_name.h"
#include "text/cp1252.h"
#include "text/unicode.h"

namespace {

bool IsDeviceStem(const std::string& stem) {
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$") {
        return true;
    }
    if (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0) return false;
    std::string digit = stem.substr(3);
    // 1 to 9, and the superscripts one, two and three (UTF-8).
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

int CheckWindowsName(const std::string& name, SplitFailure* failure) {
    failure->name = name;
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        failure->cause = SplitCause::DroppedEnd;
        return 0;
    }
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (IsDeviceStem(stem)) {
        failure->cause = SplitCause::DeviceName;
        return 0;
    }
    return 1;
}

int ConvertName(const std::string& name, std::string* cp1252, bool* standIn,
                SplitFailure* failure) {
    failure->name = name;
    for (size_t at = 0; at < name.size();) {
        uint32_t code = 0;
        size_t used = DecodeUtf8(name.data() + at, name.size() - at, &code);
        if (used == 0) {
            failure->cause = SplitCause::NameNotUtf8;
            failure->number = at;
            return 0;
        }
        if (code < 0x20 || (code >= 0x80 && code < 0xA0) ||
            (code < 0x80 && std::strchr("<>:\"\\|?*", static_cast<int>(code)) != nullptr)) {
            failure->cause = SplitCause::NameNotAllowed;
            return 0;
        }
        at += used;
    }
    *standIn = !Utf8ToWindows1252(name.data(), name.size(), cp1252, nullptr, nullptr);
    return !*standIn || Utf8ToWindows1252StandIn(name, cp1252);
}

int PartSuffix(const std::string& outputName, uint32_t count, uint32_t index,
               std::string* suffix) {
    if (outputName.empty() || outputName.find('\0') != std::string::npos) return 0;
    char name[kNameCapacity];
    int fits = FormatPartName(outputName.c_str(), count, index, name);
    // The joiner reads at most the 626 bytes of the record's name field: a
    // longer name never fits anyway.
    if (!fits || outputName.size() >= std::strlen(name) ||
        std::memcmp(name, outputName.data(), outputName.size()) != 0) {
        return 0;
    }
    *suffix = name + outputName.size();
    return 1;
}
