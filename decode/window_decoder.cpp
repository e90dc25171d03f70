// The decoding loop: one symbol at a time, literal or copy, every byte
// through WritePtr and into the window. This is the installer's hot loop, so
// the bit reader and the window position live in locals for its duration and
// every call in it is inline.
#include "decode/window_decoder.h"

#include "decode/symbol_decoder.h"

void ResetWindow(SlidingWindow& window) {
    for (int i = 0; i < WindowFill; ++i) {
        window.slidingWindow[i] = WindowFillByte;
    }
    window.windowPos = WindowFill;
}

ExpandResult ExpandStream(ExpandState& state, const ByteSource& source, const ByteSink& sink,
                          uint32_t expandedLength, uint32_t storedLength) {
    ExpandResult result = {ExpandOk, 0, false, false};
    // A local copy: nothing can alias it, so its fields stay in registers
    // while the loop stores bytes into the buffers.
    BitReader bits;
    ResetBitReader(bits, storedLength);
    if (expandedLength == 0) {
        state.bitReader = bits;
        return result;
    }
    ResetTree(state.model);
    ResetWindow(state.window);

    HuffmanModel& model = state.model;
    InputStream& input = state.input;
    OutputStream& output = state.output;
    uint8_t* window = state.window.slidingWindow;
    uint32_t pos = state.window.windowPos;
    uint32_t produced = 0;
    int written = 1;

    while (produced < expandedLength) {
        int symbol = DecodeSymbol(model, bits, input, source);
        uint32_t distance = 0;
        if (symbol >= LiteralCount) {
            distance = static_cast<uint32_t>(DecodeDistance(bits, input, source));
        }
        if (input.readStatus != ReadOk) {
            break;
        }
        // The sink may look at the bit reader (to stop a stream that is used
        // up), so the state's copy is brought up to date before any write.
        state.bitReader = bits;
        // A literal goes through the copy loop as a copy of length 1 of
        // itself, stored at windowPos first: one inlined WritePtr, not two.
        uint32_t length = 1;
        uint32_t from = pos;
        if (symbol < LiteralCount) {
            window[pos] = static_cast<uint8_t>(symbol);
        } else {
            length = static_cast<uint32_t>(symbol - CopyLengthBias);
            if (length > expandedLength - produced) {
                // Only damaged or careless streams get here; the entry ends
                // at its length all the same.
                length = expandedLength - produced;
                result.copyPastEnd = true;
            }
            // Each byte is read before the next is stored, so an overlapping
            // copy repeats the last distance + 1 bytes.
            from = pos - distance - 1;
        }
        for (uint32_t i = 0; i < length; ++i) {
            uint8_t value = window[from & WindowMask];
            ++from;
            written &= WritePtr(output, sink, value, expandedLength);
            window[pos] = value;
            pos = (pos + 1) & WindowMask;
        }
        produced += length;
        if (!written) {
            result.status = ExpandWriteFailed;
            break;
        }
    }
    if (input.readStatus != ReadOk) {
        result.status = input.readStatus == ReadFailed ? ExpandReadFailed : ExpandTruncated;
    }

    result.produced = produced;
    result.readBeyondStored = ReadBeyondStored(bits);
    state.bitReader = bits;
    state.window.windowPos = pos;
    return result;
}
