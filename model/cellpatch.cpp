#include "model/cellpatch.h"

void CellPatch::append(const CellPatch& other)
{
    entries.insert(entries.end(), other.entries.begin(), other.entries.end());
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

void CellPatch::clear()
{
    *this = CellPatch();
}
