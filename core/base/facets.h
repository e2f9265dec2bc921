#pragma once

#include <QString>

#include <optional>

// The game's facets, by number: their names and their size in blocks. Block
// number b lies at column b / height, row b % height.
namespace quillmark::facets {

constexpr int Count = 6;
// The window's facet box offers the first four, Felucca to Malas, in number order.
constexpr int WindowCount = 4;

struct Geometry
{
    const char* name;
    int widthBlocks;
    int heightBlocks;
};

// Number 0 to Count - 1.
const Geometry& geometry(int facet);

// A facet given as its number ("0" to "5") or its name in any letter case.
std::optional<int> fromText(const QString& text);

// "Felucca, Trammel, ..." for messages.
QString nameList();

}  // namespace quillmark::facets
