// Parsing the station query: words and terms, then OR over terms side by side, a leading - and parentheses.
#include <utility>

#include "Fleet_text.h"
#include "Form_model.h"
#include "Lib_text.h"
#include "Station_facts.h"
#include "Station_query.h"

namespace {

constexpr int MAX_DEPTH = 64; // parentheses and - nested deeper are refused, not recursed into
constexpr int64_t NO_LIMIT = int64_t(1) << 40; // beyond any ID or byte count

enum class Token_kind { OPEN, CLOSE, OR, NOT, TERM };

struct Token {
    Token_kind kind;
    int position;                     // from 1
    std::string text;                 // TERM: its characters, quotes taken off
    size_t quote = std::string::npos; // TERM: where in text the first quoted part starts
};

// "unexpected ')' at character 14"
std::string at_character(const std::string& what, int position) {
    return what + " at character " + std::to_string(position);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The words of the query; false with *error for a '-' alone or a '"' not closed.
bool tokens_of(const std::string& q, std::vector<Token>& tokens, std::string* error) {
    size_t i = 0;
    while (i < q.size()) {
        const char c = q[i];
        const int position = static_cast<int>(i) + 1;
        if (is_blank(c)) {
            ++i;
        } else if (c == '(' || c == ')') {
            tokens.push_back({c == '(' ? Token_kind::OPEN : Token_kind::CLOSE, position, {}});
            ++i;
        } else if (c == '-') {
            if (i + 1 == q.size() || is_blank(q[i + 1]) || q[i + 1] == ')') {
                *error = at_character("'-' needs a term right after it", position);
                return false;
            }
            tokens.push_back({Token_kind::NOT, position, {}});
            ++i;
        } else {
            Token t{Token_kind::TERM, position, {}};
            while (i < q.size() && !is_blank(q[i]) && q[i] != '(' && q[i] != ')') {
                if (q[i] != '"') {
                    t.text += q[i++];
                    continue;
                }
                const size_t close = q.find('"', i + 1);
                if (close == std::string::npos) {
                    *error = at_character("the '\"' is not closed", static_cast<int>(i) + 1);
                    return false;
                }
                if (t.quote == std::string::npos) t.quote = t.text.size();
                t.text += q.substr(i + 1, close - i - 1);
                i = close + 1;
            }
            if (t.text == "OR" && t.quote == std::string::npos) t.kind = Token_kind::OR;
            tokens.push_back(std::move(t));
        }
    }
    return true;
}

bool is_identifier(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (const char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// A whole number of at most ten digits, with an optional minus sign.
bool whole_number(const std::string& s, int64_t* value) {
    const size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    if (s.size() == start || s.size() - start > 10) return false;
    int64_t v = 0;
    for (size_t i = start; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *value = start == 1 ? -v : v;
    return true;
}

// Captions with their runs of blanks as one ("Tinopal  delta" is found by "tinopal delta"), folded.
std::string caption_words(const char* caption) {
    std::string out;
    for (const char* c = caption; *c != '\0'; ++c)
        if (!(is_blank(*c) && !out.empty() && out.back() == ' ')) out += is_blank(*c) ? ' ' : fold_case(*c);
    return out;
}

const Form_model& form() {
    static const Form_model model;
    return model;
}

// Recursive descent over the tokens; every step returns the node it made, or -1 after the first error,
// which error() then holds.
class Parser {
  public:
    Parser(std::vector<Token> tokens, std::vector<Query_node>& nodes)
        : tokens_(std::move(tokens)), nodes_(nodes) {}

    int parse() {
        const int root = any_of();
        if (root < 0 || at_end()) return root;
        return fail("unexpected ')'", peek().position); // any_of stops only at the end or at a ')'
    }
    const std::string& error() const { return error_; }

  private:
    bool at_end() const { return next_ == tokens_.size(); }
    const Token& peek() const { return tokens_[next_]; }
    bool peek_is(Token_kind kind) const { return !at_end() && peek().kind == kind; }

    int fail(const std::string& what, int position) {
        if (error_.empty()) error_ = at_character(what, position);
        return -1;
    }

    int add(Query_node node) {
        nodes_.push_back(std::move(node));
        return static_cast<int>(nodes_.size()) - 1;
    }

    int any_of() {
        const int first = all_of();
        if (first < 0 || !peek_is(Token_kind::OR)) return first;
        Query_node node;
        node.term = Query_term::ANY_OF;
        node.position = nodes_[static_cast<size_t>(first)].position;
        node.children.push_back(first);
        while (peek_is(Token_kind::OR)) {
            const int position = peek().position;
            ++next_;
            if (at_end() || peek_is(Token_kind::CLOSE) || peek_is(Token_kind::OR))
                return fail("OR needs a term after it", position);
            const int next = all_of();
            if (next < 0) return -1;
            node.children.push_back(next);
        }
        return add(std::move(node));
    }

    int all_of() {
        std::vector<int> items;
        while (!at_end() && !peek_is(Token_kind::CLOSE) && !peek_is(Token_kind::OR)) {
            const int item = unary();
            if (item < 0) return -1;
            items.push_back(item);
        }
        if (items.empty()) {
            if (at_end()) return fail("a term is missing", 1); // not reached: the callers look first
            if (peek_is(Token_kind::OR)) return fail("OR needs a term before it", peek().position);
            return fail("unexpected ')'", peek().position);
        }
        if (items.size() == 1) return items[0];
        Query_node node;
        node.term = Query_term::ALL_OF;
        node.position = nodes_[static_cast<size_t>(items[0])].position;
        node.children = std::move(items);
        return add(std::move(node));
    }

    int unary() {
        int nots = 0;
        const int position = peek().position;
        while (peek_is(Token_kind::NOT)) {
            ++nots;
            ++next_;
        }
        if (nots > MAX_DEPTH)
            return fail("more than " + std::to_string(MAX_DEPTH) + " '-' in a row", position);
        if (nots > 0 && (at_end() || peek_is(Token_kind::CLOSE) || peek_is(Token_kind::OR)))
            return fail("'-' needs a term right after it", position);
        const int inner = primary();
        if (inner < 0 || nots % 2 == 0) return inner; // - - a is a
        Query_node node;
        node.term = Query_term::NOT;
        node.position = position;
        node.children.push_back(inner);
        return add(std::move(node));
    }

    int primary() {
        const Token& t = peek();
        if (t.kind != Token_kind::OPEN) {
            ++next_;
            Query_node node;
            if (!term(t, node)) return -1;
            return add(std::move(node));
        }
        const int position = t.position;
        if (++depth_ > MAX_DEPTH)
            return fail("parentheses nested more than " + std::to_string(MAX_DEPTH) + " deep", position);
        ++next_;
        if (peek_is(Token_kind::CLOSE)) return fail("empty parentheses", position);
        if (at_end()) return fail("missing ')' for the '('", position);
        const int inner = any_of();
        if (inner < 0) return -1;
        if (!peek_is(Token_kind::CLOSE)) return fail("missing ')' for the '('", position);
        ++next_;
        --depth_;
        return inner;
    }

    bool term(const Token& t, Query_node& node) {
        node.position = t.position;
        if (t.quote == 0) { // a word in double quotes is searched as it stands
            if (t.text.empty()) return fail("empty word \"\"", t.position) >= 0;
            node.text = folded(t.text);
            return true;
        }
        const std::string unquoted = t.text.substr(0, t.quote);
        const size_t at = unquoted.find_first_of(":=!<>");
        if (at == std::string::npos || !is_identifier(unquoted.substr(0, at))) {
            const std::string word = folded(t.text);
            if (t.quote == std::string::npos &&
                (word == "spare" || word == "problem" || word == "dup" || word == "drift")) {
                node.term = word == "spare"     ? Query_term::SPARE
                            : word == "problem" ? Query_term::PROBLEM
                            : word == "dup"     ? Query_term::DUP
                                                : Query_term::DRIFT;
                return true;
            }
            node.text = word;
            return true;
        }
        const std::string name = unquoted.substr(0, at);
        size_t value_at = at + 1;
        const char op = unquoted[at];
        Query_op query_op = Query_op::EQ;
        if (op == '!') {
            if (at + 1 >= unquoted.size() || unquoted[at + 1] != '=')
                return fail("'!' must be followed by '='", t.position + static_cast<int>(at)) >= 0;
            query_op = Query_op::NE;
            value_at = at + 2;
        } else if (op == '<' || op == '>') {
            const bool equal = at + 1 < unquoted.size() && unquoted[at + 1] == '=';
            query_op =
                op == '<' ? (equal ? Query_op::LE : Query_op::LT) : (equal ? Query_op::GE : Query_op::GT);
            value_at = at + (equal ? 2 : 1);
        }
        const std::string value = t.text.substr(value_at);
        const int value_position = t.position + static_cast<int>(value_at);
        const std::string field = folded(name);
        if (op == ':') return field_term(node, name, value, value_position);
        if (field == "id" || field == "bytes") return compared(node, field, query_op, value, value_position);
        int control = form().find(name);
        for (int i = 0; control < 0 && i < static_cast<int>(form().controls().size()); ++i)
            if (folded(form().at(i).name) == field) control = i;
        if (control < 0) return fail("no field or control \"" + name + "\"", t.position) >= 0;
        node.term = Query_term::CONTROL;
        node.control = form().at(control).name;
        node.op = query_op;
        node.text = value;
        node.is_number = decimal_number(value, &node.number);
        if (query_op != Query_op::EQ && query_op != Query_op::NE && !node.is_number)
            return fail("\"" + value + "\" is no number to compare with", value_position) >= 0;
        return true;
    }

    // field:value
    bool field_term(Query_node& node, const std::string& name, const std::string& value, int position) {
        const std::string field = folded(name);
        const int field_position = position - static_cast<int>(name.size()) - 1;
        if (field == "id" || field == "bytes") return range(node, field, value, position);
        if (value.empty()) return fail(field + ": needs a value", field_position) >= 0;
        if (field == "phone" || field == "sms" || field == "template") {
            node.term = field == "phone" ? Query_term::PHONE
                        : field == "sms" ? Query_term::SMS
                                         : Query_term::TEMPLATE;
            node.text = folded(value);
            return true;
        }
        if (field == "desc") {
            node.term = Query_term::DESC;
            std::string word;
            for (const char c : value + " ") {
                if (!is_blank(c)) {
                    word += fold_case(c);
                } else if (!word.empty()) {
                    node.words.push_back(word);
                    word.clear();
                }
            }
            if (node.words.empty()) return fail("desc: needs a word", field_position) >= 0;
            return true;
        }
        static const char* const page_fields[PAGE_COUNT] = {"slow", "fast", "remote"};
        for (int p = 0; p < PAGE_COUNT; ++p)
            if (field == page_fields[p]) node.pages = 1u << p;
        if (field == "uses") node.pages = (1u << PAGE_COUNT) - 1;
        if (node.pages == 0)
            return fail("unknown field \"" + name +
                            "\" (id, phone, desc, sms, bytes, uses, slow, fast, remote, template)",
                        field_position) >= 0;
        node.term = Query_term::USES;
        node.channels = channels(value, position);
        return node.channels != 0;
    }

    // id:101, id:100-199, id:-5--1
    bool range(Query_node& node, const std::string& field, const std::string& value, int position) {
        node.term = field == "id" ? Query_term::ID : Query_term::BYTES;
        const size_t dash = value.find('-', 1);
        const std::string from = value.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : value.substr(dash + 1);
        if (!whole_number(from, &node.low) || !whole_number(to, &node.high))
            return fail(field + ": takes a number or a range (100-199), not \"" + value + "\"", position) >=
                   0;
        if (node.low > node.high) return fail("the range " + value + " is empty", position) >= 0;
        return true;
    }

    // id>100, bytes<=150, id!=0
    bool compared(Query_node& node, const std::string& field, Query_op op, const std::string& value,
                  int position) {
        node.term = field == "id" ? Query_term::ID : Query_term::BYTES;
        int64_t n = 0;
        if (!whole_number(value, &n))
            return fail(field + " is compared with a whole number, not \"" + value + "\"", position) >= 0;
        node.low = -NO_LIMIT;
        node.high = NO_LIMIT;
        switch (op) {
        case Query_op::EQ:
        case Query_op::NE:
            node.low = node.high = n;
            node.negated = op == Query_op::NE;
            break;
        case Query_op::LT:
            node.high = n - 1;
            break;
        case Query_op::LE:
            node.high = n;
            break;
        case Query_op::GT:
            node.low = n + 1;
            break;
        case Query_op::GE:
            node.low = n;
            break;
        }
        return true;
    }

    // A channel number, or a word found in channel captions; 0 after an error.
    uint32_t channels(const std::string& value, int position) {
        uint32_t bits = 0;
        int64_t number = 0;
        if (whole_number(value, &number)) {
            for (int n = 0; n < CHANNEL_COUNT; ++n)
                if (channel_table[n].number == number) bits |= 1u << n;
            if (bits == 0) fail("there is no channel " + value, position);
            return bits;
        }
        const std::string words = caption_words(value.c_str());
        for (int n = 0; n < QUERY_CHANNEL_COUNT; ++n) {
            const char* caption = n == BATTERY_CHANNEL ? BATTERY_CAPTION : channel_table[n].caption;
            if (caption_words(caption).find(words) != std::string::npos) bits |= 1u << n;
        }
        if (bits == 0) fail("no channel's caption holds \"" + value + "\"", position);
        return bits;
    }

    std::vector<Token> tokens_;
    std::vector<Query_node>& nodes_;
    size_t next_ = 0;
    int depth_ = 0;
    std::string error_;
};

} // namespace

bool Station_query::parse(const std::string& text, std::string* error) {
    std::string problem;
    std::vector<Token> tokens;
    if (!tokens_of(text, tokens, &problem)) {
        if (error != nullptr) *error = problem;
        return false;
    }
    std::vector<Query_node> nodes;
    int root = -1;
    if (!tokens.empty()) {
        Parser parser(std::move(tokens), nodes);
        root = parser.parse();
        if (root < 0) {
            if (error != nullptr) *error = parser.error();
            return false;
        }
    }
    nodes_ = std::move(nodes);
    root_ = root;
    return true;
}

bool Station_query::names_channels() const {
    for (const Query_node& n : nodes_)
        if (n.term == Query_term::USES) return true;
    return false;
}

bool Station_query::uses_templates() const {
    for (const Query_node& n : nodes_)
        if (n.term == Query_term::TEMPLATE || n.term == Query_term::DRIFT) return true;
    return false;
}

std::vector<std::string> Station_query::controls() const {
    std::vector<std::string> names;
    for (const Query_node& n : nodes_)
        if (n.term == Query_term::CONTROL) names.push_back(n.control);
    return names;
}
