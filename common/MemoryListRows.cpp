#include "common/MemoryListRows.h"
#include <string.h>

int MemoryListRows::GetText(int row, int col, char* buf, int cap) const
{
    if (cap <= 0)
        return 0;
    buf[0] = '\0';
    if (col >= 0 && col < 8)
        ++columnReads[col];
    if (row < 0 || row >= GetCount() || col < 0)
        return 0;
    const Row& r = rows[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) >= r.cells.size())
        return 0;
    const std::string& s = r.cells[static_cast<size_t>(col)];
    size_t n = s.size() < static_cast<size_t>(cap - 1) ? s.size() : static_cast<size_t>(cap - 1);
    memcpy(buf, s.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

void MemoryListRows::SetText(int row, int col, const char* text)
{
    if (row < 0 || row >= GetCount() || col < 0)
        return;
    Row& r = rows[static_cast<size_t>(row)];
    if (r.cells.size() <= static_cast<size_t>(col))
        r.cells.resize(static_cast<size_t>(col) + 1);
    r.cells[static_cast<size_t>(col)] = text;
    ++cellWrites;
}

int MemoryListRows::Insert(int index, const char* text, int image)
{
    if (index < 0)
        return -1;
    if (index > GetCount())
        index = GetCount();
    Row r;
    r.cells.push_back(text);
    r.image = image;
    rows.insert(rows.begin() + index, r);
    if (selected >= index)
        ++selected;
    ++inserts;
    return index;
}

bool MemoryListRows::Delete(int row)
{
    if (row < 0 || row >= GetCount())
        return false;
    rows.erase(rows.begin() + row);
    if (selected == row)
        selected = -1;
    else if (selected > row)
        --selected;
    ++deletes;
    return true;
}

int MemoryListRows::GetImage(int row) const
{
    if (row < 0 || row >= GetCount())
        return -1;
    return rows[static_cast<size_t>(row)].image;
}

std::string MemoryListRows::Cell(int row, int col) const
{
    char buf[2048];
    GetText(row, col, buf, sizeof buf);
    return buf;
}
