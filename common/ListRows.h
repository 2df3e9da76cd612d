// The rows of a report-view list, as the page logic sees them. A page keeps no model of its own:
// these rows are its state. Implemented over a list-view control and in memory for tests.
#pragma once

class IListRows {
public:
    virtual ~IListRows() = default;
    virtual int GetCount() const = 0;
    // Copies the cell's text into buf, at most cap - 1 bytes, always terminated; returns the length copied.
    virtual int GetText(int row, int col, char* buf, int cap) const = 0;
    virtual void SetText(int row, int col, const char* text) = 0;
    // Inserts a row with its column-0 text and image at index (clamped to the end); returns its index or -1.
    virtual int Insert(int index, const char* text, int image) = 0;
    virtual bool Delete(int row) = 0;
    // Index of the first selected row, -1 when none.
    virtual int GetSelected() const = 0;
    virtual int GetImage(int row) const = 0;
};
