// What a run of the live loop wrote, read back for its tests: the frame
// log's rows as cells by column name, and the figures line's numbers.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using LogRow = std::map<std::string, std::string>;

inline std::vector<LogRow> ReadLog(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> names;
    std::vector<LogRow> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream row(line + ",");  // the comma makes an empty last cell one
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        if (names.empty()) {
            names = cells;
            continue;
        }
        rows.emplace_back();
        for (size_t i = 0; i < names.size() && i < cells.size(); ++i)
            rows.back()[names[i]] = cells[i];
    }
    return rows;
}

inline double Cell(const LogRow& row, const char* column) {
    const std::string& cell = row.at(column);
    return cell.empty() ? -1.0 : std::stod(cell);
}

inline double Figure(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + "=");
    return at == std::string::npos ? -1.0 : std::atof(line.c_str() + at + key.size() + 2);
}
