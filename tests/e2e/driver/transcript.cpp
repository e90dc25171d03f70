// JSON output of the transcript.
#include "transcript.h"

#include <cstdio>

namespace e2e {

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += (char)c;
                }
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& rect) {
    char text[80];
    snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", rect.left, rect.top, rect.right - rect.left,
             rect.bottom - rect.top);
    return text;
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

std::string WindowJson(const SeenWindow& seen) {
    const WindowRecord& record = seen.record;
    std::string out = "    {\n";
    out += "      \"process\": " + Quoted(record.processPath) + ",\n";
    out += std::string("      \"ownProgram\": ") + Bool(seen.ownProgram) + ",\n";
    out += "      \"class\": " + Quoted(record.className) + ",\n";
    out += "      \"caption\": " + Quoted(record.caption) + ",\n";
    out += "      \"rect\": " + Rect(record.rect) + ",\n";
    out += "      \"screen\": [" + std::to_string(record.screenWidth) + ", " +
           std::to_string(record.screenHeight) + "],\n";
    out += std::string("      \"centred\": ") + Bool(seen.centred) + ",\n";
    out += "      \"icon\": " + Quoted(seen.icon) + ",\n";
    std::string texts;
    std::string controls;
    for (const ControlRecord& control : record.controls) {
        bool isStatic = lstrcmpiA(control.className.c_str(), "Static") == 0;
        if (isStatic && control.visible && (control.style & SS_TYPEMASK) != SS_ICON) {
            texts += (texts.empty() ? "" : ", ") + Quoted(control.text);
        }
        controls += controls.empty() ? "\n" : ",\n";
        controls +=
            "        {\"class\": " + Quoted(control.className) +
            ", \"id\": " + std::to_string(control.id) + ", \"text\": " + Quoted(control.text) +
            ", \"visible\": " + Bool(control.visible) + ", \"rect\": " + Rect(control.rect) + "}";
    }
    std::string buttons;
    for (const ControlRecord* button : VisibleButtons(record)) {
        buttons += (buttons.empty() ? "" : ", ") + std::string("{\"id\": ") +
                   std::to_string(button->id) + ", \"text\": " + Quoted(button->text) + "}";
    }
    out += "      \"texts\": [" + texts + "],\n";
    out += "      \"buttons\": [" + buttons + "],\n";
    out += "      \"controls\": [" + controls + (controls.empty() ? "" : "\n      ") + "],\n";
    out += "      \"answer\": " +
           (seen.answer ? Quoted(AnswerName(*seen.answer)) : std::string("null")) + ",\n";
    out += std::string("      \"answerTaken\": ") + Bool(seen.answerTaken) + ",\n";
    out += "      \"screenshot\": " +
           (seen.screenshot.empty() ? std::string("null") : Quoted(seen.screenshot)) + "\n";
    return out + "    }";
}

}  // namespace

bool WriteTranscript(const Transcript& transcript, const std::wstring& path) {
    std::string out = "{\n";
    out += "  \"program\": " + Quoted(transcript.program) + ",\n";
    std::string answers;
    for (Answer answer : transcript.answers) {
        answers += (answers.empty() ? "" : ", ") + Quoted(AnswerName(answer));
    }
    out += "  \"answers\": [" + answers + "],\n";
    out += "  \"windows\": [";
    for (size_t i = 0; i < transcript.windows.size(); ++i) {
        out += (i ? ",\n" : "\n") + WindowJson(transcript.windows[i]);
    }
    out += transcript.windows.empty() ? "],\n" : "\n  ],\n";
    out += "  \"exitCode\": " +
           (transcript.exitCode ? std::to_string(*transcript.exitCode) : std::string("null")) +
           ",\n";
    out += "  \"result\": " + Quoted(transcript.result) + ",\n";
    out += "  \"error\": " + Quoted(transcript.error) + "\n}\n";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    bool ok = fwrite(out.data(), 1, out.size(), file) == out.size();
    return fclose(file) == 0 && ok;
}

}  // namespace e2e
