// Bounded text and path routines of the stub.
#include "app/text.h"

uint32_t TextLength(const char* text) {
    uint32_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

int AppendTextPart(char* target, uint32_t size, const char* source, uint32_t count) {
    if (size == 0)
        return 0;
    uint32_t at = 0;
    while (at < size && target[at] != 0) ++at;
    if (at == size) {
        // An unterminated target: terminate it rather than read past it.
        target[size - 1] = 0;
        return 0;
    }
    uint32_t taken = 0;
    while (taken < count && source[taken] != 0) {
        if (at + 1 >= size) {
            target[at] = 0;
            return 0;
        }
        target[at++] = source[taken++];
    }
    target[at] = 0;
    return 1;
}

int AppendText(char* target, uint32_t size, const char* source) {
    return AppendTextPart(target, size, source, 0xFFFFFFFFu);
}

int CopyText(char* target, uint32_t size, const char* source) {
    if (size == 0)
        return 0;
    target[0] = 0;
    return AppendText(target, size, source);
}

int AppendSeparator(char* path, uint32_t size) {
    uint32_t length = TextLength(path);
    if (length == 0 || path[length - 1] == '\\')
        return 1;
    return AppendText(path, size, "\\");
}

void UpperCaseAscii(char* text) {
    for (; *text != 0; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

int FindLast(const char* text, char c) {
    int found = -1;
    for (int i = 0; text[i] != 0; ++i) {
        if (text[i] == c)
            found = i;
    }
    return found;
}

int FindFirst(const char* text, char c) {
    for (int i = 0; text[i] != 0; ++i) {
        if (text[i] == c)
            return i;
    }
    return -1;
}

char* CutToBaseName(char* path) {
    int dot = FindLast(path, '.');
    if (dot >= 0)
        path[dot] = 0;
    return path + FindLast(path, '\\') + 1;
}

int FormatText(char* target, uint32_t size, const char* format, const char* first,
               const char* second, const char* third, const char* fourth) {
    if (size == 0)
        return 0;
    const char* arguments[4] = {first, second, third, fourth};
    uint32_t next = 0;
    int whole = 1;
    target[0] = 0;
    const char* literal = format;
    for (const char* at = format;; ++at) {
        bool placeholder = at[0] == '%' && at[1] == 's';
        if (!placeholder && at[0] != 0)
            continue;
        whole &= AppendTextPart(target, size, literal, static_cast<uint32_t>(at - literal));
        if (at[0] == 0)
            break;
        const char* argument = next < 4 ? arguments[next] : 0;
        ++next;
        if (argument)
            whole &= AppendText(target, size, argument);
        ++at;
        literal = at + 1;
    }
    return whole;
}
