// Decimal number texts, built lowest digit first and then turned around.
#include "app/number_text.h"

namespace {

void Reverse(char* text, uint32_t length) {
    for (uint32_t i = 0; i < length / 2; ++i) {
        char swap = text[i];
        text[i] = text[length - 1 - i];
        text[length - 1 - i] = swap;
    }
}

}  // namespace

char* FormatThousands(uint32_t value, char* text) {
    uint32_t length = 0;
    uint32_t digits = 0;
    do {
        if (digits != 0 && digits % 3 == 0)
            text[length++] = ',';
        text[length++] = static_cast<char>('0' + value % 10);
        ++digits;
        value /= 10;
    } while (value != 0);
    text[length] = 0;
    Reverse(text, length);
    return text;
}

char* FormatFileNumber(uint32_t value, char* text) {
    uint32_t length = 0;
    do {
        text[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || length < 4);
    text[length] = 0;
    Reverse(text, length);
    return text;
}
