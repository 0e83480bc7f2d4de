#pragma once

#include <string>
#include <string_view>
#include <vector>

// One picture the show can pick: a file the list names, or one found in a folder it names.
struct PictureEntry {
    std::string path;
    bool bFromFolder = false;  // its failures pass quietly: nobody named the file
};

// The pictures the list's entries stand for, in the list's order. A file, or a path that names
// nothing, stands for itself. A folder stands for the files directly in it whose names end in
// "." and one of suffixes (lower case; any case in the name), sorted by name with runs of digits
// compared by value, hidden files left out; a folder that cannot be read stands for nothing.
// Read afresh at each call.
std::vector<PictureEntry> ExpandPictureList(const std::vector<std::string>& entries,
                                            const std::vector<std::string>& suffixes);

// Whether a sorts before b as file managers sort names: letters without regard to case, runs of
// digits by their value ("2" before "10"), ties by the bytes themselves.
bool NameSortsBefore(std::string_view a, std::string_view b);
