// DNA key tables as data: one row per key (name, value kind, record member, help text), shared by
// biosim's TileDna reader and tarn's tile-kind reader. biosim's rows say more (where the loader
// copies the value, its valid range): see TileDna.h.
//
// A DNA file is a sequence of pairs: a key line, then a value line. A key is compared whole and
// case-sensitively with the rows of a table in the table's order; the first row that matches
// converts the value and stores it. Keys that match no row are skipped. Limits: none; the
// conversions never fail (text that is no number reads as 0). Depends on platform/TextIo only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/Rounding.h"
#include "platform/TextIo.h"

namespace world {

// How a value line is converted before it is stored.
enum class DnaValueKind : std::uint8_t {
    Int,         // decimal integer into a 32-bit signed field (a float text gives its integer part)
    Byte,        // decimal integer, low 8 bits kept in a signed 8-bit field ("300" -> 44)
    Float,       // decimal float into a 32-bit float field
    Text,        // the whole line, unchanged
    RoundedInt,  // read as a float, rounded to the nearest integer, into a 32-bit field
    RoundedByte, // read as a float, rounded to the nearest integer, low 8 bits kept
    Ignored,     // recognised (stops the table walk) but not stored
};

// One row of a key table. Exactly the member that fits `kind` is set (none for Ignored).
template <class Record> struct DnaKey {
    std::string_view name;
    DnaValueKind kind;
    std::int32_t Record::*asInt = nullptr; // Int, RoundedInt
    std::int8_t Record::*asByte = nullptr; // Byte, RoundedByte
    float Record::*asFloat = nullptr;      // Float
    std::string Record::*asText = nullptr; // Text
    // The DNA window's tool tip. A key has one text, on biosim's row when biosim knows the key and on
    // tarn's row otherwise; dnaKeyHelp() (DnaFile.h) finds it by name.
    std::string_view help = {};
};

// Row builders, so tables read as one line per key.
template <class R>
constexpr DnaKey<R> dnaInt(std::string_view n, std::int32_t R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::Int, m, nullptr, nullptr, nullptr, help};
}
template <class R>
constexpr DnaKey<R> dnaRoundedInt(std::string_view n, std::int32_t R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::RoundedInt, m, nullptr, nullptr, nullptr, help};
}
template <class R>
constexpr DnaKey<R> dnaByte(std::string_view n, std::int8_t R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::Byte, nullptr, m, nullptr, nullptr, help};
}
template <class R>
constexpr DnaKey<R> dnaRoundedByte(std::string_view n, std::int8_t R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::RoundedByte, nullptr, m, nullptr, nullptr, help};
}
template <class R> constexpr DnaKey<R> dnaFloat(std::string_view n, float R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::Float, nullptr, nullptr, m, nullptr, help};
}
template <class R>
constexpr DnaKey<R> dnaText(std::string_view n, std::string R::*m, std::string_view help = {}) {
    return {n, DnaValueKind::Text, nullptr, nullptr, nullptr, m, help};
}
template <class R> constexpr DnaKey<R> dnaIgnored(std::string_view n, std::string_view help = {}) {
    return {n, DnaValueKind::Ignored, nullptr, nullptr, nullptr, nullptr, help};
}

// Walks `table` in order; on the first row whose name equals `key` converts `value` into `record`.
// Returns true when a row matched (also for Ignored rows). Defined below.
// `table` is any range of DnaKey<Record> rows or of row types built on DnaKey<Record>.
template <class Record, class Table>
bool applyDnaPair(const Table& table, Record& record, std::string_view key, std::string_view value);

// Calls f(key, value) for each remaining pair of `lines` in file order: key line, value line. An
// odd last line is a key with an empty value; the trailing comment lines pair up like any other pair.
template <class F> void forEachDnaPair(textio::LineReader& lines, F&& f) {
    while (!lines.eof()) {
        const std::string_view key = lines.readLineView();
        const std::string_view value = lines.readLineView();
        f(key, value);
    }
}

// ---------------------------------------------------------------------------------------------
template <class Record, class Table>
bool applyDnaPair(const Table& table, Record& record, std::string_view key, std::string_view value) {
    for (const DnaKey<Record>& row : table) {
        if (row.name != key) continue;
        switch (row.kind) {
        case DnaValueKind::Int:
            record.*row.asInt = textio::toInt(value);
            break;
        case DnaValueKind::Byte:
            record.*row.asByte = textio::toByte(value);
            break;
        case DnaValueKind::Float:
            record.*row.asFloat = textio::toReal(value);
            break;
        case DnaValueKind::Text:
            record.*row.asText = std::string(value);
            break;
        case DnaValueKind::RoundedInt:
            record.*row.asInt = plat::roundHalfAwayWrapped32(textio::toDouble(value));
            break;
        case DnaValueKind::RoundedByte:
            record.*row.asByte = static_cast<std::int8_t>(static_cast<std::uint8_t>(
                static_cast<std::uint32_t>(plat::roundHalfAwayWrapped32(textio::toDouble(value))) & 0xffu));
            break;
        case DnaValueKind::Ignored:
            break;
        }
        return true;
    }
    return false;
}

} // namespace world
