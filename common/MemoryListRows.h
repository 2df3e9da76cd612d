// In-memory list rows for tests and benchmarks; counts the cell writes it receives.
#pragma once
#include "common/ListRows.h"
#include <string>
#include <vector>

class MemoryListRows : public IListRows {
public:
    struct Row {
        std::vector<std::string> cells;
        int image = -1;
    };

    int GetCount() const override { return static_cast<int>(rows.size()); }
    int GetText(int row, int col, char* buf, int cap) const override;
    void SetText(int row, int col, const char* text) override;
    int Insert(int index, const char* text, int image) override;
    bool Delete(int row) override;
    int GetSelected() const override { return selected; }
    int GetImage(int row) const override;

    // Test helpers.
    std::string Cell(int row, int col) const;
    std::vector<Row> rows;
    int selected = -1;
    int cellWrites = 0;
    mutable int columnReads[8] = {};  // GetText calls, by column
    int inserts = 0;
    int deletes = 0;
};
