// The once-per-block halves of the block streams: refill, block sizing and
// block write.
#include "decode/block_streams.h"

void ResetInputStream(InputStream& input) {
    for (int i = 0; i < StreamBlockSize; ++i) {
        input.readBuffer[i] = 0;
    }
    input.readLeft = 0;
    input.readPos = 0;
    input.readStatus = ReadOk;
}

void ResetOutputStream(OutputStream& output) {
    for (int i = 0; i < StreamBlockSize; ++i) {
        output.writeBuffer[i] = 0;
    }
    output.writeFill = 0;
    output.writeBlockSize = 0;
    output.writeBlockOpen = 0;
    output.writeFailed = 0;
    output.writtenBytes = 0;
}

int RefillInput(InputStream& input, const ByteSource& source, uint32_t storedRemaining) {
    int32_t wanted = storedRemaining > static_cast<uint32_t>(StreamBlockSize)
                         ? StreamBlockSize
                         : static_cast<int32_t>(storedRemaining);
    int32_t got = wanted > 0 ? source.read(source.context, input.readBuffer, wanted) : 0;
    input.readPos = 0;
    if (got <= 0) {
        // Nothing arrived although the entry's data goes on: the file is
        // shorter than the catalogue says. Serving made-up bytes would
        // expand to plausible-looking garbage, so the failure is recorded.
        input.readLeft = 0;
        if (input.readStatus == ReadOk) {
            input.readStatus = got < 0 ? ReadFailed : ReadEnded;
        }
        return 0;
    }
    // A short read is fine: the next refill asks for the rest.
    if (got > wanted) {
        got = wanted;
    }
    input.readLeft = static_cast<int16_t>(got);
    return 1;
}

int OpenWriteBlock(OutputStream& output, uint32_t length) {
    if (output.writtenBytes >= length) {
        // The entry is complete; a final copy that runs past its end must
        // not add bytes to the target.
        return 0;
    }
    uint32_t rest = length - output.writtenBytes;
    output.writeBlockSize = rest > static_cast<uint32_t>(StreamBlockSize)
                                ? static_cast<int16_t>(StreamBlockSize)
                                : static_cast<int16_t>(rest);
    output.writeBlockOpen = 1;
    return 1;
}

int FlushWriteBlock(OutputStream& output, const ByteSink& sink) {
    int32_t count = output.writeFill;
    int32_t written = output.writeFailed ? -1 : sink.write(sink.context, output.writeBuffer, count);
    output.writeFill = 0;
    output.writeBlockOpen = 0;
    if (written != count) {
        // Disk full or a write error: the target is incomplete. The caller
        // ends this entry with a failure instead of the process ending.
        output.writeFailed = 1;
        return 0;
    }
    output.writtenBytes += static_cast<uint32_t>(count);
    return 1;
}
