#include "text/text.h"

#include <cstdarg>
#include <cstdio>

TextResult FormatText(char* buffer, size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    TextResult result = FormatTextV(buffer, capacity, format, args);
    va_end(args);
    return result;
}

TextResult FormatTextV(char* buffer, size_t capacity, const char* format, va_list args) {
    if (capacity == 0 || capacity > kMaxTextCapacity) return TextResult::InvalidArgument;

    int needed = std::vsnprintf(buffer, capacity, format, args);

    if (needed < 0) {
        // An encoding error leaves the contents unspecified: keep the promise
        // of a terminated text with the empty prefix.
        buffer[0] = '\0';
        return TextResult::Truncated;
    }
    return static_cast<size_t>(needed) < capacity ? TextResult::Ok : TextResult::Truncated;
}
