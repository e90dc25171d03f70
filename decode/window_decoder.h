// The window decoder: expands one compressed entry from a byte source into
// a byte sink, turning symbols into literal bytes and copies out of the
// 4096-byte window. All state lives in one fixed-size ExpandState, which the
// installer holds once, program-wide, and reuses entry after entry.
#pragma once

#include <stdint.h>

#include "decode/bit_reader.h"
#include "decode/block_streams.h"
#include "decode/huffman_model.h"
#include "decode/stream_format.h"

struct SlidingWindow {
    uint8_t slidingWindow[WindowSize];  // the last 4096 bytes produced, as a ring
    uint32_t windowPos;                 // where the next produced byte goes, 0 ... 4095
};

// Everything the decoder keeps, one struct per component.
struct ExpandState {
    HuffmanModel model;
    BitReader bitReader;
    SlidingWindow window;
    InputStream input;
    OutputStream output;
};

// Fills window positions 0 ... 4065 with spaces and points windowPos at
// 4066. Positions 4066 ... 4095 keep what they held: a stream must not read
// them before its first 30 bytes have overwritten them.
void ResetWindow(SlidingWindow& window);

enum ExpandStatus : int32_t {
    ExpandOk = 0,           // exactly expandedLength bytes went to the sink
    ExpandTruncated = 1,    // the source ended before storedLength bytes were read
    ExpandReadFailed = 2,   // the source reported an error
    ExpandWriteFailed = 3,  // the sink took fewer bytes than asked (disk full)
};

struct ExpandResult {
    ExpandStatus status;
    uint32_t produced;      // bytes produced; expandedLength on success
    bool readBeyondStored;  // the symbols needed bits beyond the stored bytes,
                            // which were taken as zero bits
    bool copyPastEnd;       // the last copy ran past expandedLength; its
                            // extra bytes were dropped
};

// Expands one entry of expandedLength bytes whose compressed data is the
// next storedLength bytes of source, writing the bytes to sink in blocks.
// The caller resets state.input and state.output first (ResetInputStream,
// ResetOutputStream); the model, the bit reader and the window are reset
// here. With expandedLength 0 nothing is read or written.
//
// Whenever the sink is called, state.bitReader holds the bit reader as it
// stands after the symbol whose bytes are being written, so a sink may call
// ReadBeyondStored(state.bitReader) and fail the write to stop a stream that
// has been used up early (the result then says ExpandWriteFailed).
//
// On success the sink received exactly expandedLength bytes. The two flags
// report streams that a careful writer never produces; the installer
// accepts them, a checking tool may call such an entry damaged. Damaged
// data otherwise yields wrong bytes, never more than expandedLength of
// them, and the loop always ends. On a failure the sink holds the complete
// blocks written before it.
ExpandResult ExpandStream(ExpandState& state, const ByteSource& source, const ByteSink& sink,
                          uint32_t expandedLength, uint32_t storedLength);
