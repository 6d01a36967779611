#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "favorites/favorite_record.h"
#include "formats/general_date.h"
#include "platform/result.h"

namespace kestrin {

// Ceilings on what a data file may hold, so that a damaged or hostile shared list is refused
// before it can take the memory of the computer that reads it. Each lies well beyond any list
// a computer writes:
// - a value: a Path is at most kMaxPathBytes (1024), a Name 255 bytes, and URL, IconFile and
//   IconIndex kMaxUrlBytes (record_rule.h), which also bounds the header line. Encoded
//   fields may be 4/3 as long.
// - records: five times the 100 000 shortcuts of a very large collection. Counted before any
//   record is stored.
inline constexpr std::size_t kMaxDataFileRecords = 500000;
// - the whole file: 100 000 shortcuts whose URL, IconFile and IconIndex hold 254 bytes
//   each take 107 MB encoded (real links are mostly shorter); values at their longest fill
//   it with about 2 000 shortcuts. The records are kept in the bytes they were read from,
//   plus 28 bytes a record: a list stays within about 270 MB.
inline constexpr std::size_t kMaxDataFileBytes = std::size_t{256} << 20;

// Writes "<computer name>@<general date text>" CR LF; the header is never encoded or quoted.
void WriteDataFileHeader(std::ostream& out, std::string_view computerName, const DateTime& now,
                         const GeneralDateFormat& format);
// The same for a header already in text: "<ComputerName>@<WrittenAt>" CR LF.
void WriteDataFileHeader(std::ostream& out, const DataFileHeader& header);

// Writes the seven fields, each in double quotes, joined by commas, then CR LF; with
// encode set every field is first replaced by its Radix-64 form.
void WriteFavoriteRecord(std::ostream& out, const FavoriteRecord& record, bool encode);
// The same line in two parts: the Modified field, and the rest from the comma after it on,
// so that a line whose other fields are known can be written again with its date alone new.
std::string ModifiedField(std::string_view modified, bool encode);
std::string FieldsAfterModified(const FavoriteRecord& record, bool encode);

// Succeeds when the name can stand before the "@" of the header line and read back as
// written; otherwise fails saying why not: it is empty, begins or ends with a blank, or holds a
// comma, a double quote, an at-sign or a control character. The writer writes any name unchanged; a
// run refuses to start with such a name, and the settings page refuses to save it.
Result<> CheckComputerName(std::string_view computerName);

// Reads a whole data file. Fails, with a text that says why, on anything but a whole and
// valid file: a missing file, no header line, a header without "@", a line end missing
// at the end, a record line without exactly seven fields, a field that does not decode
// (decode set), a value that holds CR, LF or NUL, a record that CheckRecord refuses, or a
// file beyond the ceilings above. Nothing is ever returned in part. The error text is
// "<path>: <reason>"; ParseFavoritesDataFile gives the reason alone.
Result<FavoritesDataFile> ReadFavoritesDataFile(const std::string& path, bool decode);

// The same rules on bytes already in memory.
Result<FavoritesDataFile> ParseFavoritesDataFile(std::string_view bytes, bool decode);

}  // namespace kestrin
