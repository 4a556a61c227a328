// The changes the windows make to a setup document, each one step of its history, named after what it
// did. Each is made from the document as it is just before the change and pushed at once: push applies
// it. Stations are named by their position in the list (0 the first), never by a Tstation*, which undo
// and redo do not keep (see Document_command).
//
// Each maker gives nullptr for a change that would change nothing (a path set to what it holds, the
// stations already in that order) or that does not fit the document (a position past the end of the
// list, a text longer than its field holds, which the window's edits never produce), so that the caller
// pushes no empty step.
//
// An edit may be made on the record itself (the station editor works on the Tstation it is given): the
// caller copies the record before, and pushes the edit with the copy and the record as it is after;
// apply then writes after over itself, which changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Document_history.h"

// The station at position as it was before an edit and as the edit left it ("Edit station 203"; "Edit
// station 204 (was 203)" when the ID changed). Apply writes after into the record, revert before; either
// copy is whole, image and cursor included. nullptr when the two are the same in everything Save writes.
std::unique_ptr<Document_command> edit_station_command(const Tsetup& setup, int position,
                                                       const Tstation& before, const Tstation& after);

// Several stations edited in one step, as the editor's bulk edit changes them: positions[i] held before[i]
// and gets after[i]. Stations whose two copies Save writes alike are left out; one station left is named as
// edit_station_command names it, several as "Edit 312 stations (101, 102, 203, ...)" by their IDs after the
// edit. nullptr when nothing changes, when the three lists differ in length, or for a position past the
// end of the list or given twice.
std::unique_ptr<Document_command> edit_stations_command(const Tsetup& setup, std::vector<int> positions,
                                                        std::vector<Tstation> before,
                                                        std::vector<Tstation> after);

// Whether Save writes the two stations alike: their texts, display type and image with its cursor.
bool same_station(const Tstation& a, const Tstation& b);

// A new station inserted at position (the end of the list when position is its length): "Add station 0".
std::unique_ptr<Document_command> add_station_command(const Tsetup& setup, int position,
                                                      const Tstation& record);

// New stations appended behind the last one, in their order: "Add station 405", "Add 2 stations (405,
// 406)". nullptr for none.
std::unique_ptr<Document_command> append_stations_command(const Tsetup& setup, std::vector<Tstation> records);

// Several steps as one, under one name ("Update 5 stations from CSV (101, 102, 203, ...)"): applied in
// their order, reverted in the reverse order. Each step is made for the document as the steps before it
// leave it. When one fails, the steps before it are taken back, so the document stays as it was. Null
// steps are left out; nullptr when none is left, the one step itself when one is left.
std::unique_ptr<Document_command> combined_command(std::string name,
                                                   std::vector<std::unique_ptr<Document_command>> steps);

// Copies inserted, each right after its source station: "Duplicate station 101 as 102" for one, and
// "Duplicate 3 stations (101, 102, 203)" for several. sources are positions in the list (in any order,
// none twice), copies[i] the record that goes after sources[i].
std::unique_ptr<Document_command> duplicate_stations_command(const Tsetup& setup, std::vector<int> sources,
                                                             const std::vector<Tstation>& copies);

// The stations at these positions (in any order; one given twice counts once) deleted, and restored at
// their positions by undo: "Delete station 101", "Delete 3 stations (101, 102, 203)", "Delete 120
// stations (101, 102, 203, ...)".
std::unique_ptr<Document_command> delete_stations_command(const Tsetup& setup, std::vector<int> positions);

// The stations put into a new order, "Sort into file order": the station at position i afterwards is the
// one that was at order[i]. order must hold every position of the list once.
std::unique_ptr<Document_command> sort_stations_command(const Tsetup& setup, const std::vector<int>& order);

enum class Data_path { BIN, XML };

// A data directory's path set to text: "Change path to BIN directory", "Change path to XML directory".
// nullptr for the path it holds or one of more than 511 characters.
std::unique_ptr<Document_command> change_path_command(const Tsetup& setup, Data_path which,
                                                      const std::string& text);

// The port name of every COM port of that type set to text, as the COM ports page stores its edit: "Change
// COM port for direct (cable) connection", "Change COM port for modem connection". When the document
// holds no port of that type, a port of that type as a new document has it, with this name, is appended
// to the COM ports, and undo removes it again: the file is then without it, byte for byte. nullptr when
// every port of that type holds text already, for an empty text where there is no such port (nothing to
// add), and for a text of more than 31 characters.
std::unique_ptr<Document_command> change_comport_command(const Tsetup& setup, uint8_t type,
                                                         const std::string& text);

// "101, 102, 203" for up to three IDs, "101, 102, 203, ..." for more: how steps name several stations.
std::string station_ids_text(const std::vector<int32_t>& ids);

// The whole document replaced by another's paths, COM ports and stations (a version restored), named as
// given: one step that undo takes back whole. Null when memory for the copies is short.
std::unique_ptr<Document_command> replace_document_command(const Tsetup& setup, const Tsetup& other,
                                                           std::string name);
