// The document's commands: station edits, inserts, deletes and order, data paths and COM ports.
#include "Document_commands.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "Lib_text.h"

namespace {

Tstation* station_at(Tsetup& setup, int position) {
    if (position < 0) return nullptr;
    Tlist::Tnode* node = setup.stations.list.node_at(position);
    return node != nullptr ? static_cast<Tstation*>(node->item) : nullptr;
}

// Every station at the given positions (ascending, within the list), copied; the list finds each by its
// position without a walk.
std::vector<Tstation> stations_at(const Tsetup& setup, const std::vector<int>& positions) {
    std::vector<Tstation> out;
    out.reserve(positions.size());
    for (int position : positions) {
        if (position < 0) break;
        const Tlist::Tnode* node = setup.stations.list.node_at(position);
        if (node == nullptr || node->item == nullptr) break;
        out.push_back(*static_cast<const Tstation*>(node->item));
    }
    return out;
}

// These stations hold new values in their records.
Document_change changed(std::vector<int> positions) {
    Document_change c;
    c.changed = std::move(positions);
    return c;
}

// Sorted, each once, all within a list of count: false otherwise (or for none).
bool sort_positions(std::vector<int>& positions, int count) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return !positions.empty() && positions.front() >= 0 && positions.back() < count;
}

class Edit_station : public Document_command {
  public:
    Edit_station(std::string name, int position, const Tstation& before, const Tstation& after)
        : Document_command(std::move(name)), position_(position), before_(before), after_(after) {}
    bool apply(Tsetup& setup) override { return put(setup, after_); }
    bool revert(Tsetup& setup) override { return put(setup, before_); }
    size_t bytes() const override { return sizeof *this + name().capacity(); }
    Document_change applied() const override { return changed({position_}); }
    Document_change reverted() const override { return applied(); }

  private:
    bool put(Tsetup& setup, const Tstation& record) const {
        Tstation* station = station_at(setup, position_);
        if (station == nullptr) return false;
        *station = record;
        return true;
    }

    int position_;
    Tstation before_, after_;
};

// Several stations edited at once: each position (ascending) gets its record, all in one walk of the list.
class Edit_stations : public Document_command {
  public:
    Edit_stations(std::string name, std::vector<int> positions, std::vector<Tstation> before,
                  std::vector<Tstation> after)
        : Document_command(std::move(name)), positions_(std::move(positions)), before_(std::move(before)),
          after_(std::move(after)) {}
    bool apply(Tsetup& setup) override { return put(setup, after_); }
    bool revert(Tsetup& setup) override { return put(setup, before_); }
    size_t bytes() const override {
        return sizeof *this + name().capacity() + positions_.capacity() * sizeof(int) +
               (before_.capacity() + after_.capacity()) * sizeof(Tstation);
    }
    Document_change applied() const override { return changed(positions_); }
    Document_change reverted() const override { return applied(); }

  private:
    // Finds every record first, so that a document that is not the one the step was made on is left as
    // it was.
    bool put(Tsetup& setup, const std::vector<Tstation>& records) const {
        std::vector<Tstation*> stations;
        stations.reserve(positions_.size());
        for (int position : positions_) {
            Tstation* station = station_at(setup, position);
            if (station == nullptr) return false;
            stations.push_back(station);
        }
        for (size_t i = 0; i < stations.size(); ++i)
            *stations[i] = records[i];
        return true;
    }

    std::vector<int> positions_;
    std::vector<Tstation> before_, after_;
};

// Stations inserted at positions (each the position it has once all are in) or deleted from them: the
// one is the other's undo.
class Station_set_change : public Document_command {
  public:
    Station_set_change(std::string name, bool inserting, std::vector<int> positions,
                       std::vector<Tstation> records)
        : Document_command(std::move(name)), inserting_(inserting), positions_(std::move(positions)),
          records_(std::move(records)) {}
    bool apply(Tsetup& setup) override { return inserting_ ? insert(setup) : remove(setup); }
    bool revert(Tsetup& setup) override { return inserting_ ? remove(setup) : insert(setup); }
    size_t bytes() const override {
        return sizeof *this + name().capacity() + positions_.capacity() * sizeof(int) +
               records_.capacity() * sizeof(Tstation);
    }
    Document_change applied() const override { return moved(inserting_); }
    Document_change reverted() const override { return moved(!inserting_); }

  protected:
    int count() const { return static_cast<int>(positions_.size()); }

  private:
    // Inserting puts the records at the positions they have once all are in; removing takes them from the
    // positions they had: the same positions either way.
    Document_change moved(bool inserts) const {
        Document_change c;
        (inserts ? c.inserted : c.removed) = positions_;
        return c;
    }

    bool insert(Tsetup& setup) const {
        const auto n = positions_.size();
        std::unique_ptr<void*[]> items(new (std::nothrow) void*[n]);
        if (!items) return false;
        size_t made = 0;
        for (; made < n; ++made) {
            items[made] = new (std::nothrow) Tstation(records_[made]);
            if (items[made] == nullptr) break;
        }
        if (made == n && setup.stations.list.insert_at(positions_.data(), items.get(), count())) return true;
        for (size_t i = 0; i < made; ++i)
            delete static_cast<Tstation*>(items[i]);
        return false;
    }

    bool remove(Tsetup& setup) const {
        std::unique_ptr<void*[]> items(new (std::nothrow) void*[positions_.size()]);
        if (!items || !setup.stations.list.unlink_at(positions_.data(), items.get(), count())) return false;
        for (size_t i = 0; i < positions_.size(); ++i)
            delete static_cast<Tstation*>(items[i]);
        return true;
    }

    bool inserting_;
    std::vector<int> positions_;
    std::vector<Tstation> records_;
};

// Stations appended behind the last: only onto a list of the length it was made for, so that on another
// document they land nowhere rather than in its middle.
class Append_stations : public Station_set_change {
  public:
    Append_stations(std::string name, int count, std::vector<int> positions, std::vector<Tstation> records)
        : Station_set_change(std::move(name), true, std::move(positions), std::move(records)), count_(count),
          added_(count + static_cast<int>(this->count())) {}
    bool apply(Tsetup& setup) override {
        return setup.stations.list.count() == count_ && Station_set_change::apply(setup);
    }
    bool revert(Tsetup& setup) override {
        return setup.stations.list.count() == added_ && Station_set_change::revert(setup);
    }

  private:
    int count_, added_;
};

class Combined : public Document_command {
  public:
    Combined(std::string name, std::vector<std::unique_ptr<Document_command>> steps)
        : Document_command(std::move(name)), steps_(std::move(steps)) {}
    bool apply(Tsetup& setup) override {
        for (size_t i = 0; i < steps_.size(); ++i)
            if (!steps_[i]->apply(setup)) {
                while (i-- > 0)
                    steps_[i]->revert(setup);
                return false;
            }
        return true;
    }
    bool revert(Tsetup& setup) override {
        for (size_t i = steps_.size(); i-- > 0;)
            if (!steps_[i]->revert(setup)) {
                while (++i < steps_.size())
                    steps_[i]->apply(setup);
                return false;
            }
        return true;
    }
    size_t bytes() const override {
        size_t total = sizeof *this + name().capacity() + steps_.capacity() * sizeof steps_[0];
        for (const auto& step : steps_)
            total += step->bytes();
        return total;
    }
    Document_change applied() const override {
        Document_change c;
        for (const auto& step : steps_)
            c.then(step->applied());
        return c;
    }
    Document_change reverted() const override {
        Document_change c;
        for (size_t i = steps_.size(); i-- > 0;)
            c.then(steps_[i]->reverted());
        return c;
    }

  private:
    std::vector<std::unique_ptr<Document_command>> steps_;
};

class Sort_stations : public Document_command {
  public:
    explicit Sort_stations(std::vector<int> order)
        : Document_command("Sort into file order"), order_(std::move(order)) {
        inverse_.resize(order_.size());
        for (size_t i = 0; i < order_.size(); ++i)
            inverse_[static_cast<size_t>(order_[i])] = static_cast<int>(i);
    }
    bool apply(Tsetup& setup) override { return permute(setup, order_); }
    bool revert(Tsetup& setup) override { return permute(setup, inverse_); }
    size_t bytes() const override {
        return sizeof *this + name().capacity() + (order_.capacity() + inverse_.capacity()) * sizeof(int);
    }

  private:
    static bool permute(Tsetup& setup, const std::vector<int>& order) {
        return setup.stations.list.permute(order.data(), static_cast<int>(order.size()));
    }
    std::vector<int> order_, inverse_;
};

class Change_path : public Document_command {
  public:
    Change_path(std::string name, Data_path which, std::string before, std::string after)
        : Document_command(std::move(name)), which_(which), before_(std::move(before)),
          after_(std::move(after)) {}
    bool apply(Tsetup& setup) override { return put(setup, after_); }
    bool revert(Tsetup& setup) override { return put(setup, before_); }
    size_t bytes() const override {
        return sizeof *this + name().capacity() + before_.capacity() + after_.capacity();
    }
    Document_change applied() const override { return Document_change(); } // no station
    Document_change reverted() const override { return Document_change(); }

  private:
    bool put(Tsetup& setup, const std::string& text) const {
        char* field = which_ == Data_path::BIN ? setup.path_data_bin : setup.path_data_xml;
        copy_text(field, text.c_str(), sizeof setup.path_data_bin);
        return true;
    }
    Data_path which_;
    std::string before_, after_;
};

class Change_comport : public Document_command {
  public:
    // With no positions, a new port is appended at added_position.
    Change_comport(std::string name, uint8_t type, std::string text, std::vector<int> positions,
                   std::vector<std::string> before, int added_position)
        : Document_command(std::move(name)), type_(type), text_(std::move(text)),
          positions_(std::move(positions)), before_(std::move(before)), added_position_(added_position) {}

    bool apply(Tsetup& setup) override {
        if (!positions_.empty()) return put(setup, nullptr);
        if (setup.comports.list.count() != added_position_) return false;
        Tcomport* added = new_default_comport(type_, text_.c_str());
        if (added == nullptr) return false;
        if (setup.comports.append(added)) return true;
        delete added;
        return false;
    }

    bool revert(Tsetup& setup) override {
        if (!positions_.empty()) return put(setup, &before_);
        Tlist& list = setup.comports.list;
        const Tlist::Tnode* node = list.node_at(added_position_);
        if (node == nullptr || node->next != nullptr) return false;
        void* item = nullptr;
        if (!list.unlink_at(&added_position_, &item, 1)) return false;
        delete static_cast<Tcomport*>(item);
        return true;
    }

    size_t bytes() const override {
        size_t total = sizeof *this + name().capacity() + text_.capacity() +
                       positions_.capacity() * sizeof(int) + before_.capacity() * sizeof(std::string);
        for (const std::string& t : before_)
            total += t.capacity();
        return total;
    }
    Document_change applied() const override { return Document_change(); } // no station
    Document_change reverted() const override { return Document_change(); }

  private:
    // Every port of the type, at its position, gets the text (or its own old text).
    bool put(Tsetup& setup, const std::vector<std::string>* texts) const {
        std::vector<Tcomport*> ports;
        ports.reserve(positions_.size());
        for (int position : positions_) {
            const Tlist::Tnode* node = setup.comports.list.node_at(position);
            auto* port = node != nullptr ? static_cast<Tcomport*>(node->item) : nullptr;
            if (port == nullptr || port->type != type_) return false;
            ports.push_back(port);
        }
        for (size_t i = 0; i < ports.size(); ++i) {
            const std::string& text = texts != nullptr ? (*texts)[i] : text_;
            copy_text(ports[i]->port, text.c_str(), sizeof ports[i]->port);
        }
        return true;
    }

    uint8_t type_;
    std::string text_;
    std::vector<int> positions_;
    std::vector<std::string> before_;
    int added_position_;
};

} // namespace

// Texts are compared up to their end, as Save writes them; the image whole, with its cursor.
bool same_station(const Tstation& a, const Tstation& b) {
    return a.id == b.id && std::strcmp(a.phone_nbr, b.phone_nbr) == 0 && std::strcmp(a.pin, b.pin) == 0 &&
           std::strcmp(a.description, b.description) == 0 &&
           std::strcmp(a.display_type, b.display_type) == 0 && a.configuration == b.configuration;
}

std::string station_ids_text(const std::vector<int32_t>& ids) {
    constexpr size_t shown = 3;
    std::string out;
    for (size_t i = 0; i < ids.size() && i < shown; ++i)
        out += (i > 0 ? ", " : "") + std::to_string(ids[i]);
    if (ids.size() > shown) out += ", ...";
    return out;
}

std::unique_ptr<Document_command> edit_station_command(const Tsetup& setup, int position,
                                                       const Tstation& before, const Tstation& after) {
    if (position < 0 || position >= setup.stations.list.count() || same_station(before, after))
        return nullptr;
    std::string name = "Edit station " + std::to_string(after.id);
    if (after.id != before.id) name += " (was " + std::to_string(before.id) + ")";
    return std::make_unique<Edit_station>(std::move(name), position, before, after);
}

std::unique_ptr<Document_command> edit_stations_command(const Tsetup& setup, std::vector<int> positions,
                                                        std::vector<Tstation> before,
                                                        std::vector<Tstation> after) {
    if (positions.size() != before.size() || positions.size() != after.size()) return nullptr;
    // Sorted by position, with the records that go with each; a station left as it was is no part of it.
    std::vector<size_t> order;
    for (size_t i = 0; i < positions.size(); ++i)
        if (!same_station(before[i], after[i])) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return positions[a] < positions[b]; });
    const int count = setup.stations.list.count();
    std::vector<int> sorted;
    std::vector<Tstation> was, is;
    std::vector<int32_t> ids;
    sorted.reserve(order.size());
    was.reserve(order.size());
    is.reserve(order.size());
    for (const size_t i : order) {
        if (positions[i] < 0 || positions[i] >= count || (!sorted.empty() && sorted.back() == positions[i]))
            return nullptr;
        sorted.push_back(positions[i]);
        was.push_back(std::move(before[i]));
        is.push_back(std::move(after[i]));
        ids.push_back(is.back().id);
    }
    if (sorted.empty()) return nullptr;
    if (sorted.size() == 1) return edit_station_command(setup, sorted[0], was[0], is[0]);
    std::string name = "Edit " + std::to_string(sorted.size()) + " stations (" + station_ids_text(ids) + ")";
    return std::make_unique<Edit_stations>(std::move(name), std::move(sorted), std::move(was), std::move(is));
}

std::unique_ptr<Document_command> add_station_command(const Tsetup& setup, int position,
                                                      const Tstation& record) {
    if (position < 0 || position > setup.stations.list.count()) return nullptr;
    return std::make_unique<Station_set_change>("Add station " + std::to_string(record.id), true,
                                                std::vector<int>{position}, std::vector<Tstation>{record});
}

std::unique_ptr<Document_command> append_stations_command(const Tsetup& setup,
                                                          std::vector<Tstation> records) {
    if (records.empty()) return nullptr;
    const int count = setup.stations.list.count();
    std::vector<int> positions(records.size());
    std::vector<int32_t> ids;
    for (size_t i = 0; i < records.size(); ++i) {
        positions[i] = count + static_cast<int>(i);
        ids.push_back(records[i].id);
    }
    std::string name = records.size() == 1 ? "Add station " + std::to_string(ids[0])
                                           : "Add " + std::to_string(records.size()) + " stations (" +
                                                 station_ids_text(ids) + ")";
    return std::make_unique<Append_stations>(std::move(name), count, std::move(positions),
                                             std::move(records));
}

std::unique_ptr<Document_command> combined_command(std::string name,
                                                   std::vector<std::unique_ptr<Document_command>> steps) {
    steps.erase(std::remove(steps.begin(), steps.end(), nullptr), steps.end());
    if (steps.empty()) return nullptr;
    if (steps.size() == 1) return std::move(steps[0]);
    return std::make_unique<Combined>(std::move(name), std::move(steps));
}

std::unique_ptr<Document_command> duplicate_stations_command(const Tsetup& setup, std::vector<int> sources,
                                                             const std::vector<Tstation>& copies) {
    if (sources.empty() || sources.size() != copies.size()) return nullptr;
    std::vector<size_t> by_source(sources.size());
    for (size_t i = 0; i < by_source.size(); ++i)
        by_source[i] = i;
    std::sort(by_source.begin(), by_source.end(),
              [&](size_t a, size_t b) { return sources[a] < sources[b]; });
    std::vector<int> sorted(sources.size());
    std::vector<Tstation> records;
    records.reserve(copies.size());
    for (size_t i = 0; i < by_source.size(); ++i) {
        sorted[i] = sources[by_source[i]];
        records.push_back(copies[by_source[i]]);
    }
    const size_t given = sorted.size();
    if (!sort_positions(sorted, setup.stations.list.count()) || sorted.size() != given) return nullptr;
    // Each copy lands after its source, which stands behind the copies of the sources before it.
    std::vector<int> positions(sorted.size());
    std::vector<int32_t> ids;
    for (size_t i = 0; i < sorted.size(); ++i)
        positions[i] = sorted[i] + static_cast<int>(i) + 1;
    for (const Tstation& source : stations_at(setup, sorted))
        ids.push_back(source.id);
    std::string name =
        sorted.size() == 1
            ? "Duplicate station " + std::to_string(ids[0]) + " as " + std::to_string(records[0].id)
            : "Duplicate " + std::to_string(sorted.size()) + " stations (" + station_ids_text(ids) + ")";
    return std::make_unique<Station_set_change>(std::move(name), true, std::move(positions),
                                                std::move(records));
}

std::unique_ptr<Document_command> delete_stations_command(const Tsetup& setup, std::vector<int> positions) {
    if (!sort_positions(positions, setup.stations.list.count())) return nullptr;
    std::vector<Tstation> records = stations_at(setup, positions);
    std::vector<int32_t> ids;
    ids.reserve(records.size());
    for (const Tstation& s : records)
        ids.push_back(s.id);
    std::string name = records.size() == 1 ? "Delete station " + std::to_string(ids[0])
                                           : "Delete " + std::to_string(records.size()) + " stations (" +
                                                 station_ids_text(ids) + ")";
    return std::make_unique<Station_set_change>(std::move(name), false, std::move(positions),
                                                std::move(records));
}

std::unique_ptr<Document_command> sort_stations_command(const Tsetup& setup, const std::vector<int>& order) {
    const int count = setup.stations.list.count();
    if (order.size() != static_cast<size_t>(count)) return nullptr;
    std::vector<bool> taken(order.size());
    bool moves = false;
    for (size_t i = 0; i < order.size(); ++i) {
        const int from = order[i];
        if (from < 0 || from >= count || taken[static_cast<size_t>(from)]) return nullptr;
        taken[static_cast<size_t>(from)] = true;
        moves = moves || from != static_cast<int>(i);
    }
    if (!moves) return nullptr;
    return std::make_unique<Sort_stations>(order);
}

std::unique_ptr<Document_command> change_path_command(const Tsetup& setup, Data_path which,
                                                      const std::string& text) {
    const char* field = which == Data_path::BIN ? setup.path_data_bin : setup.path_data_xml;
    if (text.size() >= sizeof setup.path_data_bin || std::strlen(text.c_str()) != text.size() ||
        text == field)
        return nullptr;
    return std::make_unique<Change_path>(which == Data_path::BIN ? "Change path to BIN directory"
                                                                 : "Change path to XML directory",
                                         which, field, text);
}

std::unique_ptr<Document_command> change_comport_command(const Tsetup& setup, uint8_t type,
                                                         const std::string& text) {
    if (text.size() >= sizeof Tcomport::port || std::strlen(text.c_str()) != text.size()) return nullptr;
    std::vector<int> positions;
    std::vector<std::string> before;
    bool changes = false;
    int position = 0;
    for (const Tlist::Tnode* node = setup.comports.list.head(); node != nullptr;
         node = node->next, ++position) {
        const auto* port = static_cast<const Tcomport*>(node->item);
        if (port == nullptr || port->type != type) continue;
        positions.push_back(position);
        before.emplace_back(port->port);
        changes = changes || text != port->port;
    }
    if (positions.empty() ? text.empty() : !changes) return nullptr;
    std::string name = type == COMPORT_DIRECT ? "Change COM port for direct (cable) connection"
                                              : "Change COM port for modem connection";
    return std::make_unique<Change_comport>(std::move(name), type, text, std::move(positions),
                                            std::move(before), position);
}

namespace {

// Everything Save writes of a document, as copies.
struct Document_copy {
    std::string bin, xml;
    std::vector<Tcomport> comports;
    std::vector<Tstation> stations;
};

Document_copy copy_of(const Tsetup& setup) {
    Document_copy c;
    c.bin = setup.path_data_bin;
    c.xml = setup.path_data_xml;
    Tsetup& walked = const_cast<Tsetup&>(setup); // the walk changes nothing
    for_each_item<Tcomport>(walked.comports.list, [&](Tcomport& p) { c.comports.push_back(p); });
    c.stations.reserve(static_cast<size_t>(walked.stations.list.count()));
    for_each_item<Tstation>(walked.stations.list, [&](Tstation& s) { c.stations.push_back(s); });
    return c;
}

class Replace_document : public Document_command {
  public:
    Replace_document(std::string name, Document_copy before, Document_copy after)
        : Document_command(std::move(name)), before_(std::move(before)), after_(std::move(after)) {}
    bool apply(Tsetup& setup) override { return put(setup, after_); }
    bool revert(Tsetup& setup) override { return put(setup, before_); }
    size_t bytes() const override {
        return sizeof *this + name().capacity() +
               (before_.stations.capacity() + after_.stations.capacity()) * sizeof(Tstation) +
               (before_.comports.capacity() + after_.comports.capacity()) * sizeof(Tcomport);
    }

  private:
    // Every record is made before the document is touched: short of memory, it stays as it was.
    static bool put(Tsetup& setup, const Document_copy& copy) {
        Tsetup made;
        for (const Tcomport& p : copy.comports) {
            auto* c = new (std::nothrow) Tcomport(p);
            if (c == nullptr || !made.comports.append(c)) {
                delete c;
                return false;
            }
        }
        for (const Tstation& s : copy.stations) {
            auto* station = new (std::nothrow) Tstation(s);
            if (station == nullptr || !made.stations.append(station)) {
                delete station;
                return false;
            }
        }
        copy_text(setup.path_data_bin, copy.bin.c_str(), sizeof setup.path_data_bin);
        copy_text(setup.path_data_xml, copy.xml.c_str(), sizeof setup.path_data_xml);
        setup.comports.list.swap(made.comports.list);
        setup.stations.list.swap(made.stations.list);
        return true; // made takes the old records with it
    }

    Document_copy before_, after_;
};

} // namespace

std::unique_ptr<Document_command> replace_document_command(const Tsetup& setup, const Tsetup& other,
                                                           std::string name) {
    try {
        return std::make_unique<Replace_document>(std::move(name), copy_of(setup), copy_of(other));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
