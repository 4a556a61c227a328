// The orders the station list can be sorted in: by ID as a number, by a text in natural order ("st2"
// before "st10", case aside), by memory used or by problems. Sorting only orders positions: the
// document's own order never changes.
#pragma once

#include <string>
#include <vector>

class Fleet_facts;

enum class Sort_key { ID, PHONE, DESCRIPTION, SMS, BYTES, PROBLEMS, PIN };

// The key a column name stands for: "id", "phone", "desc", "sms", "bytes", "problems"; false for others.
// The PIN ("pin") orders the window's column only: the command line prints no PIN, so it takes no name.
bool sort_key_of(const std::string& name, Sort_key* key);
const char* sort_key_name(Sort_key key);

// The stations given (indexes into the facts) in the key's order, descending when asked; stations of
// equal key keep their file order in both directions, so the order is the same on every call.
std::vector<size_t> sorted_stations(const Fleet_facts& facts, std::vector<size_t> stations, Sort_key key,
                                    bool descending = false);

// Whether station a (an index into the facts) stands before station b in the order sorted_stations gives:
// what puts one station in its place among rows already sorted, by a binary search.
bool station_before(const Fleet_facts& facts, size_t a, size_t b, Sort_key key, bool descending = false);
