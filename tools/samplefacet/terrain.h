#pragma once

#include <QtGlobal>

namespace quillmark {

// Map blocks of a sample facet: a 4-byte header, then 64 cells of 3 bytes
// (uint16 tile id, int8 altitude), row by row, drawn from a smooth landscape
// of water, sand, grass, forest and mountains so that neighbouring blocks look
// alike, as they do in the game.
namespace terrain {

constexpr int CellsPerSide = 8;
constexpr int CellSize = 3;

// The reference facet's block `block` (196 bytes into `out`).
void referenceBlock(quint64 seed, qint64 block, int heightBlocks, char* out);

// Edits a few cells of a block's payload: at least one byte always changes,
// the header never does.
void editPayload(quint64 seed, qint64 block, char* mapBlock);

// Gives the block another header, leaving the payload alone.
void changeHeader(char* mapBlock);

}  // namespace terrain

}  // namespace quillmark
