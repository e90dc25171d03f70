// ExpandEntry: the decoder core driven over two file handles.
#include "decode/expand_entry.h"

#include "decode/window_decoder.h"
#include "platform/system_paths.h"

namespace {

// The decoder's model, window and stream buffers, reused entry after entry.
ExpandState expandState;

int32_t ReadFromHandle(void* context, uint8_t* buffer, int32_t count) {
    UINT got = _lread(*static_cast<HFILE*>(context), buffer, static_cast<UINT>(count));
    return got == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<int32_t>(got);
}

int32_t WriteToHandle(void* context, const uint8_t* buffer, int32_t count) {
    UINT put = _lwrite(*static_cast<HFILE*>(context), reinterpret_cast<LPCSTR>(buffer),
                       static_cast<UINT>(count));
    return put == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<int32_t>(put);
}

}  // namespace

int ExpandEntry(HINSTANCE instance, uint32_t dataOffset, uint32_t expandedLength,
                uint32_t storedLength, const char* targetPath) {
    ResetInputStream(expandState.input);
    ResetOutputStream(expandState.output);
    char executablePath[MAX_PATH];
    if (!GetModulePath(instance, executablePath))
        return 0;
    HFILE input = _lopen(executablePath, OF_READ | OF_SHARE_DENY_NONE);
    if (input == HFILE_ERROR)
        return 0;
    if (_llseek(input, static_cast<LONG>(dataOffset), FILE_BEGIN) !=
        static_cast<LONG>(dataOffset)) {
        _lclose(input);
        return 0;
    }
    HFILE output = _lcreat(targetPath, 0);
    if (output == HFILE_ERROR) {
        _lclose(input);
        return 0;
    }
    ByteSource source = {ReadFromHandle, &input};
    ByteSink sink = {WriteToHandle, &output};
    ExpandResult result = ExpandStream(expandState, source, sink, expandedLength, storedLength);
    // A close that fails may have lost buffered bytes of the target.
    int closed = _lclose(output) != HFILE_ERROR;
    _lclose(input);
    return result.status == ExpandOk && closed;
}
