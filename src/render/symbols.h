#pragma once
// The standard map symbols: their names, whose index is both the symbol id
// that the symbol reader writes into a scratch file and the number of the
// symbol's display list, the compilation of the 63 display lists at the
// start of each tile, and the placement of one symbol at a map point.

#include <array>
#include <string_view>

#include "render/symbol_shapes.h"
#include "scratch/symbol_names.h"

namespace velkaro {

struct JobContext;
class Tessellator;
struct TessVertex;

// The id of a symbol name, 0 when the name is not one of the 63 symbols.
int SymbolIdOf(std::string_view name);

// Compiles display lists 1 .. 63 on the current context in id order, filled
// quadrilaterals going through the tile's symbol tessellator. Does nothing
// without a surface or context.
void CompileSymbols(JobContext& job);

// The same with an explicit tessellator and its buffer of four records.
void CompileSymbolLists(Tessellator& tessellator, std::array<TessVertex, 4>& records);

// Draws symbol id at map point (x, y) scaled by (sx, sy) (SymbolScale), with
// the current colour and line width: push the model-view matrix, translate
// (in single precision), scale, call the list, pop. Ids outside 1 .. 63 draw
// nothing.
void PlaceSymbol(int id, double x, double y, double sx, double sy);

}  // namespace velkaro
