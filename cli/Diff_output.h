// How `diff` prints a comparison of two documents, shared by `edit --dry-run`, which prints the diff its
// output would have with its input.
#pragma once

#include <ostream>
#include <string>

#include "Compare.h"

// "station 3 (id 203)"
std::string station_words(const Station_ref& s);

// The lines of one pair of stations under their heading: each differing setting ("label: a -> b", or the
// control's name with names), then the record lines no setting explains.
void print_station_comparison(const Station_comparison& c, const std::string& heading, bool names,
                              std::ostream& out);

// "A: <a>", "B: <b>", then the fields, the differing stations, those only on one side and what stands in
// another order; nothing for equal documents.
void print_document_comparison(const Document_comparison& d, const std::string& a, const std::string& b,
                               bool names, std::ostream& out);
