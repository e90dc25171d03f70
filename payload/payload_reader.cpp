// The stub's payload readers over _lopen handles of its own executable.
#include "payload/payload_reader.h"

#include "payload/catalogue.h"
#include "payload/payload_format.h"
#include "payload/payload_locator.h"
#include "platform/system_paths.h"

uint32_t requiredBytes;

namespace {

int32_t ReadHandleAt(void* context, uint32_t offset, void* buffer, uint32_t count) {
    HFILE file = static_cast<HandleReader*>(context)->file;
    if (_llseek(file, static_cast<LONG>(offset), FILE_BEGIN) != static_cast<LONG>(offset))
        return -1;
    UINT got = _lread(file, buffer, count);
    if (got == static_cast<UINT>(HFILE_ERROR))
        return -1;
    return static_cast<int32_t>(got);
}

// Opens the running executable for reading, sharing it with everyone, and
// finds the payload in it. Returns 1 with handle->file open, `reader` set up
// and *payloadOffset at the payload's first byte; 0 with nothing left open.
int OpenLocated(HandleReader* handle, FileReader* reader, uint32_t* payloadOffset) {
    char path[MAX_PATH];
    if (!GetModulePath(0, path))
        return 0;
    handle->file = _lopen(path, OF_READ | OF_SHARE_DENY_NONE);
    if (handle->file == HFILE_ERROR)
        return 0;
    if (!MakeHandleReader(handle, reader) || LocatePayload(reader, payloadOffset) != LocateOk) {
        _lclose(handle->file);
        return 0;
    }
    return 1;
}

}  // namespace

int MakeHandleReader(HandleReader* handle, FileReader* reader) {
    LONG size = _llseek(handle->file, 0, FILE_END);
    if (size < 0)
        return 0;
    reader->readAt = ReadHandleAt;
    reader->size = static_cast<uint32_t>(size);
    reader->context = handle;
    return 1;
}

HFILE OpenPayload() {
    HandleReader handle;
    FileReader reader;
    uint32_t payloadOffset = 0;
    if (!OpenLocated(&handle, &reader, &payloadOffset))
        return HFILE_ERROR;
    if (_llseek(handle.file, static_cast<LONG>(payloadOffset), FILE_BEGIN) !=
        static_cast<LONG>(payloadOffset)) {
        _lclose(handle.file);
        return HFILE_ERROR;
    }
    return handle.file;
}

void ReadSaverName(char* name) {
    HFILE payload = OpenPayload();
    if (payload == HFILE_ERROR)
        return;
    _lread(payload, name, SaverNameSize);
    _lclose(payload);
}

int SumRequiredBytes() {
    HFILE payload = OpenPayload();
    if (payload == HFILE_ERROR)
        return 0;
    uint8_t bytes[PayloadEntrySize];
    _llseek(payload, static_cast<LONG>(PayloadHeaderSize), FILE_CURRENT);
    for (;;) {
        if (_lread(payload, bytes, PayloadEntrySize) != PayloadEntrySize)
            break;
        PayloadEntry entry;
        DecodePayloadEntry(bytes, &entry);
        requiredBytes += InstalledSize(&entry);
        if (IsTerminator(&entry))
            break;
    }
    _lclose(payload);
    return 1;
}

int ValidatePayload() {
    HandleReader handle;
    FileReader reader;
    uint32_t payloadOffset = 0;
    if (!OpenLocated(&handle, &reader, &payloadOffset))
        return 0;
    CatalogueSummary summary;
    int intact = ValidateCatalogue(&reader, payloadOffset, &summary) == CatalogueOk;
    _lclose(handle.file);
    return intact;
}
