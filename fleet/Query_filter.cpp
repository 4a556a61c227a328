// Evaluating the station query over the facts of a fleet, and the query's tree in words.
#include <cstdlib>

#include "Fleet_text.h"
#include "Lib_text.h"
#include "Station_facts.h"
#include "Station_query.h"

namespace {

bool in_range(const Query_node& n, int64_t value) {
    return (value >= n.low && value <= n.high) != n.negated;
}

bool control_holds(const Query_node& n, const std::string& value) {
    double v = 0;
    const bool number = n.is_number && decimal_number(value, &v);
    switch (n.op) {
    case Query_op::EQ:
        return number ? v == n.number : folded(value) == folded(n.text);
    case Query_op::NE:
        return number ? v != n.number : folded(value) != folded(n.text);
    case Query_op::LT:
        return number && v < n.number;
    case Query_op::LE:
        return number && v <= n.number;
    case Query_op::GT:
        return number && v > n.number;
    case Query_op::GE:
        return number && v >= n.number;
    }
    return false;
}

// One evaluation: the query's nodes with each control node's column in the facts resolved once.
class Evaluation {
  public:
    Evaluation(const Station_query& query, const Fleet_facts& facts)
        : nodes_(query.nodes()), facts_(facts), columns_(query.nodes().size(), -1) {
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].term == Query_term::CONTROL) columns_[i] = facts.control_column(nodes_[i].control);
    }

    bool holds(int node, size_t station) const {
        const Query_node& n = nodes_[static_cast<size_t>(node)];
        const Station_facts& f = facts_.at(station);
        switch (n.term) {
        case Query_term::ALL_OF:
            for (int c : n.children)
                if (!holds(c, station)) return false;
            return true;
        case Query_term::ANY_OF:
            for (int c : n.children)
                if (holds(c, station)) return true;
            return false;
        case Query_term::NOT:
            return !holds(n.children[0], station);
        case Query_term::WORD:
            return f.text.find(n.text) != std::string::npos;
        case Query_term::ID:
            return in_range(n, f.id);
        case Query_term::BYTES:
            return in_range(n, f.bytes);
        case Query_term::PHONE:
            return glob_matches(n.text, f.phone());
        case Query_term::SMS:
            return glob_matches(n.text, f.sms);
        case Query_term::DESC:
            for (const std::string& w : n.words)
                if (f.text.find(w, f.description_at) == std::string::npos) return false;
            return true;
        case Query_term::USES:
            if (!facts_.has_channels()) return false; // not read: no station is said to measure anything
            for (int p = 0; p < PAGE_COUNT; ++p)
                if ((n.pages >> p & 1u) && (f.measured[p] & n.channels) != 0) return true;
            return false;
        case Query_term::CONTROL: {
            const int column = columns_[static_cast<size_t>(node)];
            return column >= 0 && control_holds(n, facts_.control_value(column, station));
        }
        case Query_term::SPARE:
            return f.bytes == 0;
        case Query_term::PROBLEM:
            return f.problems > 0;
        case Query_term::DUP:
            return f.duplicate;
        case Query_term::TEMPLATE:
            return f.template_index >= 0 && glob_matches(n.text, facts_.template_folded(f.template_index));
        case Query_term::DRIFT:
            return f.template_index >= 0 && f.template_differs > 0;
        }
        return false;
    }

  private:
    const std::vector<Query_node>& nodes_;
    const Fleet_facts& facts_;
    std::vector<int> columns_;
};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string bounds(const Query_node& n) {
    const auto bound = [](int64_t v) {
        return v <= -(int64_t(1) << 40)  ? std::string("min")
               : v >= (int64_t(1) << 40) ? std::string("max")
                                         : std::to_string(v);
    };
    const std::string range = n.low == n.high ? bound(n.low) : bound(n.low) + ".." + bound(n.high);
    return n.negated ? "not " + range : range;
}

const char* op_text(Query_op op) {
    static const char* const texts[] = {"=", "!=", "<", "<=", ">", ">="};
    return texts[static_cast<int>(op)];
}

std::string tree(const std::vector<Query_node>& nodes, int node) {
    const Query_node& n = nodes[static_cast<size_t>(node)];
    std::string out;
    switch (n.term) {
    case Query_term::ALL_OF:
    case Query_term::ANY_OF:
    case Query_term::NOT:
        out = n.term == Query_term::ALL_OF ? "(and" : n.term == Query_term::ANY_OF ? "(or" : "(not";
        for (int c : n.children)
            out += " " + tree(nodes, c);
        return out + ")";
    case Query_term::WORD:
        return "(word " + quoted(n.text) + ")";
    case Query_term::ID:
        return "(id " + bounds(n) + ")";
    case Query_term::BYTES:
        return "(bytes " + bounds(n) + ")";
    case Query_term::PHONE:
        return "(phone " + quoted(n.text) + ")";
    case Query_term::SMS:
        return "(sms " + quoted(n.text) + ")";
    case Query_term::DESC:
        out = "(desc";
        for (const std::string& w : n.words)
            out += " " + quoted(w);
        return out + ")";
    case Query_term::USES: {
        out = "(uses ";
        static const char* const pages[PAGE_COUNT] = {"slow", "fast", "remote"};
        std::string on;
        for (int p = 0; p < PAGE_COUNT; ++p)
            if (n.pages >> p & 1u) on += std::string(on.empty() ? "" : ",") + pages[p];
        std::string channels;
        for (int c = 0; c < QUERY_CHANNEL_COUNT; ++c)
            if (n.channels >> c & 1u)
                channels +=
                    (channels.empty() ? "" : ",") +
                    (c == BATTERY_CHANNEL ? std::string("vbat") : std::to_string(channel_table[c].number));
        return out + on + " " + channels + ")";
    }
    case Query_term::CONTROL:
        return "(" + n.control + " " + op_text(n.op) + " " + quoted(n.text) + ")";
    case Query_term::SPARE:
        return "spare";
    case Query_term::PROBLEM:
        return "problem";
    case Query_term::DUP:
        return "dup";
    case Query_term::TEMPLATE:
        return "(template " + quoted(n.text) + ")";
    case Query_term::DRIFT:
        return "drift";
    }
    return out;
}

} // namespace

std::string Station_query::tree_text() const {
    return root_ < 0 ? std::string("(all)") : tree(nodes_, root_);
}

std::vector<size_t> filter_stations(const Station_query& query, const Fleet_facts& facts) {
    std::vector<size_t> out;
    if (query.empty()) {
        out.resize(facts.size());
        for (size_t i = 0; i < facts.size(); ++i)
            out[i] = i;
        return out;
    }
    const Evaluation evaluation(query, facts);
    for (size_t i = 0; i < facts.size(); ++i)
        if (evaluation.holds(query.root(), i)) out.push_back(i);
    return out;
}

bool station_matches(const Station_query& query, const Fleet_facts& facts, size_t station) {
    return query.empty() || Evaluation(query, facts).holds(query.root(), station);
}
