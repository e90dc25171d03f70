// Finds the payload inside an installer executable: the file offset of the
// data of the first resource, reached through the first entry at each of the
// three levels of the resource tree. Pure code over a FileReader.
//
// Fields read, all little-endian, with their PE/COFF names:
//
//   position                        size  field / use
//   60                              4     e_lfanew: offset of the PE signature
//   e_lfanew + 6                    2     NumberOfSections: bounds the section search
//   e_lfanew + 248 + 40 * i         40    section header i: Name (8 at +0),
//                                         VirtualAddress (4 at +12),
//                                         PointerToRawData (4 at +20)
//   directory + 12                  2+2   named and numbered entry counts; both 0
//                                         means an empty directory (no payload)
//   directory + 16                  8     first entry: +4 offset from the root,
//                                         bit 31 marks a subdirectory (masked on
//                                         the type and name levels)
//   root + language entry's offset  16    data entry: OffsetToData at +0, an
//                                         address relative to the image base
//
// The 248 bytes before the section table are the signature (4), the file
// header (20) and a 224-byte optional header; other optional header sizes are
// not supported. The marker's declared Size (4) is not read: the payload runs
// from its data to the end of the file.
#pragma once

#include <stdint.h>

#include "payload/file_reader.h"

const uint32_t PeHeaderOffsetPosition = 60;
const uint32_t SectionTableDistance = 248;
const uint32_t SectionHeaderSize = 40;
const uint32_t ResourceDirectorySize = 16;
const uint32_t ResourceDirectoryEntrySize = 8;
const uint32_t ResourceDataEntrySize = 16;
const uint32_t ResourceSubdirectoryBit = 0x80000000u;

enum LocateStatus {
    LocateOk = 0,
    // The file is too short for e_lfanew, or the PE headers lie outside it.
    LocateNotPe,
    // None of the NumberOfSections section headers is named exactly ".rsrc".
    LocateNoResourceSection,
    // A directory on the path to the first resource has no entries.
    LocateEmptyDirectory,
    // A directory, entry or the resulting payload offset lies outside the file.
    LocateOutsideFile,
    // The reader failed inside the file.
    LocateReadFailed,
};

// Walks the PE headers and the first entries of the resource tree. On LocateOk
// *payloadOffset holds the payload's file offset, which lies inside the file;
// on any other result *payloadOffset is left untouched and there is no
// payload. Keeps no state: every call walks the file anew.
LocateStatus LocatePayload(const FileReader* reader, uint32_t* payloadOffset);

// A short English description of a status, for diagnostics.
const char* LocateStatusText(LocateStatus status);
