// The station query: what the station list's filter box and `vemora-cli list --where` take, parsed once
// into a tree and evaluated per station over its facts (Station_facts.h).
//
//   areuse boudry          bare words: each a part of the ID, phone number or description (case aside);
//                          "les pr" in double quotes is one word, blanks included
//   id:101  id:100-199     the ID, or a range of IDs (id>100, id<=199, id!=0 as well)
//   phone:+4179*           the phone number, a glob (* any characters, ? one)
//   desc:"areuse boudry"   the description holds every word of the value
//   sms:+41797654321       the SMS number, a glob
//   bytes>200  bytes<=150  the memory used (=, !=, <, <=, >, >=; bytes:0-100 as for id)
//   uses:161  uses:uranine measured on any sequence page: a channel number, or a word of its caption
//   slow:  fast:  remote:  the same on one page (slow:uranine)
//   ed_acq_interval0=15.00 a control of the station editor against its value as `vemora-cli form` prints
//   cbb_s_1!=0             it (=, !=; <, <=, >, >= as numbers): two numbers compare as numbers
//   spare  problem  dup    nothing configured; a reading note; ID or phone number shared with another
//   template:"Karst 15/2"  the station's template is that one (a glob): the one it equals or, failing
//                          that, the nearest; with -drift the stations equal to it, with drift the others
//   drift                  the station's template differs from it in one setting or more
//                          (both need a template library; without one they match no station)
//   a OR b   -a   (a b)    either; not; grouping. Terms side by side must all hold; OR binds less.
//
// Texts are 8-bit, as a station's are; letters compare without regard to case (Latin-1 letters too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Fleet_facts;

enum class Query_term {
    ALL_OF,  // every child holds (terms side by side)
    ANY_OF,  // some child holds (OR)
    NOT,     // its one child does not hold (a leading -)
    WORD,    // text is part of the ID, phone number or description
    ID,      // the ID in [low, high] (or outside it, with negated)
    BYTES,   // the memory used, the same way
    PHONE,   // the phone number matches the glob in text
    SMS,     // the SMS number matches the glob in text
    DESC,    // the description holds every word of words
    USES,    // a channel of channels is measured on a page of pages
    CONTROL, // the control's value compared by op with text
    SPARE,
    PROBLEM,
    DUP,
    TEMPLATE, // the station's template's name matches the glob in text
    DRIFT,    // the station differs from its template
};

enum class Query_op { EQ, NE, LT, LE, GT, GE };

struct Query_node {
    Query_term term = Query_term::WORD;
    int position = 0;               // the character (from 1) where it starts in the query
    std::vector<int> children;      // ALL_OF, ANY_OF, NOT
    std::string text;               // WORD, PHONE, SMS, TEMPLATE (folded); CONTROL: the value
    std::vector<std::string> words; // DESC (folded)
    int64_t low = 0, high = 0;      // ID, BYTES: inclusive
    bool negated = false;           // ID, BYTES: outside [low, high] (!=)
    uint32_t pages = 0;             // USES: bit p for sequence page p
    uint32_t channels = 0;          // USES: bit n for channel n of the query's channels
    std::string control;            // CONTROL: its name as the form has it
    Query_op op = Query_op::EQ;     // CONTROL
    bool is_number = false;         // CONTROL: the value reads as a number, which is
    double number = 0;
};

class Station_query {
  public:
    // Parses text. On an error the query is left as it was and *error says what and where ("unexpected
    // ')' at character 14"). A query of blanks only matches every station.
    bool parse(const std::string& text, std::string* error);

    bool empty() const { return root_ < 0; }
    // The controls it names, for Fleet_facts::add_controls.
    std::vector<std::string> controls() const;
    // Whether it names channels (uses:, slow:, fast:, remote:), which need Fleet_facts' channels.
    bool names_channels() const;
    // Whether it asks about templates (template: or drift), which the facts know only from a library.
    bool uses_templates() const;
    // The tree in one line, for tests and messages: (and (word "areuse") (or (id 100..199) (not spare)))
    std::string tree_text() const;

    const std::vector<Query_node>& nodes() const { return nodes_; }
    int root() const { return root_; }

  private:
    std::vector<Query_node> nodes_;
    int root_ = -1;
};

// The stations (indexes from 0, in file order) that the query matches. The facts must hold the controls
// the query names (Fleet_facts::add_controls with query.controls()); a control they lack matches no station.
std::vector<size_t> filter_stations(const Station_query& query, const Fleet_facts& facts);
// Whether one station matches.
bool station_matches(const Station_query& query, const Fleet_facts& facts, size_t station);
