// Block-buffered input and output of the decoder: the entry's stored bytes
// come in through a 16384-byte buffer refilled a block at a time, the
// expanded bytes go out through a 16384-byte buffer written a block at a
// time. The byte operations ReadPtr and WritePtr are inline; the files (or
// memory) behind them are reached through ByteSource / ByteSink callbacks,
// touched once per block.
#pragma once

#include <stdint.h>

#include "decode/force_inline.h"

constexpr int StreamBlockSize = 0x4000;  // 16384: size of both stream buffers

// Where stored bytes come from. read() returns the number of bytes it put
// into buffer (at most count), 0 at the end of the data, negative on error.
struct ByteSource {
    int32_t (*read)(void* context, uint8_t* buffer, int32_t count);
    void* context;
};

// Where expanded bytes go. write() returns the number of bytes it took; any
// other value than count (fewer, or negative) is a failed write.
struct ByteSink {
    int32_t (*write)(void* context, const uint8_t* buffer, int32_t count);
    void* context;
};

// readStatus values.
constexpr int16_t ReadOk = 0;
constexpr int16_t ReadEnded = 1;   // the source ended before the entry's stored bytes did
constexpr int16_t ReadFailed = 2;  // the source reported an error

struct InputStream {
    uint8_t readBuffer[StreamBlockSize];  // current block of the entry's stored data
    int16_t readLeft;    // bytes in readBuffer not yet served; below 1: next call refills
    int16_t readPos;     // index of the next byte to serve
    int16_t readStatus;  // ReadOk until a refill got nothing; then stays set
};

struct OutputStream {
    uint8_t writeBuffer[StreamBlockSize];  // bytes of the block being filled
    int16_t writeFill;                     // bytes in writeBuffer
    int16_t writeBlockSize;                // value of writeFill at which the block is written
    uint16_t writeBlockOpen;               // 1 once writeBlockSize is fixed for the current block
    uint16_t writeFailed;                  // 1 after a short write; every later block write fails
    uint32_t writtenBytes;                 // bytes written to the sink since the reset
};

// Empties the input state (buffer zeroed, nothing held, status ReadOk).
void ResetInputStream(InputStream& input);

// Empties the output state; bytes still in writeBuffer are dropped unwritten.
void ResetOutputStream(OutputStream& output);

// Refills readBuffer with up to min(16384, storedRemaining) bytes by one
// read. Returns 1 when at least one byte arrived; 0 when the source ended or
// failed, which is recorded in readStatus (readLeft then stays 0).
int RefillInput(InputStream& input, const ByteSource& source, uint32_t storedRemaining);

// Fixes the size of the block that the next byte opens, from the entry's
// length and what was written so far. Returns 0 when the entry's length has
// already been written in full: the byte is then dropped.
int OpenWriteBlock(OutputStream& output, uint32_t length);

// Writes the complete block. Returns 1 when the sink took all of it, 0 on a
// short write (then writeFailed is set and stays set).
int FlushWriteBlock(OutputStream& output, const ByteSink& sink);

// Next stored byte of the entry. storedRemaining is the count of the entry's
// stored bytes not yet taken (the caller lowers it, not ReadPtr); it bounds
// the refill so that nothing behind the entry's data is read. When the source
// gives nothing, the result is 0 and readStatus tells why.
VELTRANE_FORCE_INLINE uint8_t ReadPtr(InputStream& input, const ByteSource& source,
                                      uint32_t storedRemaining) {
    if (input.readLeft < 1 && !RefillInput(input, source, storedRemaining)) {
        return 0;
    }
    --input.readLeft;
    return input.readBuffer[input.readPos++];
}

// Puts one expanded byte of an entry whose expanded length is length. Blocks
// are sized so that the last one is written by the length-th byte, with no
// flush call; bytes beyond the length never reach the sink. Returns 1 while
// all is well, 0 once a block write fell short.
VELTRANE_FORCE_INLINE int WritePtr(OutputStream& output, const ByteSink& sink, uint8_t value,
                                   uint32_t length) {
    if (!output.writeBlockOpen && !OpenWriteBlock(output, length)) {
        return 1;
    }
    output.writeBuffer[output.writeFill++] = value;
    if (output.writeFill >= output.writeBlockSize) {
        return FlushWriteBlock(output, sink);
    }
    return 1;
}
