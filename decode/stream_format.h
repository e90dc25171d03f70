// The compressed entry format: the constants shared by the decoder (decode/)
// and the compressor (encode/).
//
// A compressed entry is a bare bit stream: no header, no end marker, no
// checksum. It ends where the entry's stored bytes end; the decoder stops by
// counting the bytes it produces against the entry's expanded length.
//
// Bit order: bytes in file order, each byte from its most significant bit
// down. Every code below is written most significant bit first.
//
// Symbols, each in the adaptive Huffman code of huffman_model.h:
//   0 ... 255    literal byte
//   256 ... 283  copy of (symbol - 253) bytes, that is 3 ... 30; a distance
//                follows the symbol in the fixed distance code
//
// Distance d, 0 ... 4095: the copy starts reading d + 1 bytes behind the next
// output position (d = 0 repeats the byte produced last). Its high 6 bits
// h = d >> 6 are sent in a prefix code whose length depends on h, then its
// low 6 bits as they are, so a distance takes 9 to 14 bits:
//
//   h        code length  codes (first ... last, as binary)
//   0        3            000
//   1-3      4            0010 ... 0100
//   4-11     5            01010 ... 10001
//   12-23    6            100100 ... 101111
//   24-47    7            1100000 ... 1110111
//   48-63    8            11110000 ... 11111111
//
// Codes are handed out in increasing h, shorter codes first (a canonical
// prefix code); distance_code.h derives its tables from this rule.
//
// The window: 4096 bytes used as a ring. At the start of every entry
// positions 0 ... 4065 hold spaces (0x20) and the first output byte goes to
// position 4066. Positions 4066 ... 4095 are left as the previous entry left
// them, so a stream must never read them before its first 30 output bytes
// have overwritten them; the spaces may be used as a dictionary.
//
// The adaptive model starts from a fixed tree at every entry and is updated
// after every symbol (huffman_model.h); there is no side information.
#pragma once

#include <stdint.h>

// Model sizes.
constexpr int SymbolCount = 284;       // 256 literals + 28 copy lengths
constexpr int NodeCount = 567;         // 2 * SymbolCount - 1; child entries >= this are leaves
constexpr int RootNode = 566;          // index of the root node
constexpr int RebuildWeight = 0x8000;  // root weight at which the tree is rebuilt
constexpr int ParentSlots = NodeCount + SymbolCount;  // nodes' parents, then symbols' leaves

// Symbols.
constexpr int LiteralCount = 256;  // symbols below this are literal bytes
constexpr int MinCopyLength = 3;
constexpr int MaxCopyLength = 30;
constexpr int CopyLengthBias = 253;  // copy length = symbol - CopyLengthBias

// Window.
constexpr int WindowSize = 4096;
constexpr int WindowMask = WindowSize - 1;
constexpr int WindowFill = 4066;  // positions 0 ... WindowFill-1 start as spaces
constexpr uint8_t WindowFillByte = 0x20;
constexpr int MaxDistance = 4095;

// Distance code.
constexpr int DistanceLowBits = 6;
constexpr int DistanceHighCount = 64;
