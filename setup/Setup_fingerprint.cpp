// The setup document's fingerprint: a hash over what Save writes, not over the saved text.
#include "Setup_fingerprint.h"

#include <cstddef>
#include <cstring>

namespace {

// Hashing the fields, not the saved text, keeps it cheap for thousands of stations.
class Fingerprint {
  public:
    void bytes(const void* data, size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i)
            hash_ = (hash_ ^ p[i]) * 1099511628211ull;
    }
    // The terminator too, so that "ab" + "c" and "a" + "bc" differ.
    void text(const char* t) { bytes(t, std::strlen(t) + 1); }
    template <typename T> void value(T v) { bytes(&v, sizeof v); }
    uint64_t result() const { return hash_; }

  private:
    uint64_t hash_ = 1469598103934665603ull;
};

} // namespace

uint64_t setup_fingerprint(Tsetup& setup) {
    Fingerprint f;
    f.text(setup.path_data_bin);
    f.text(setup.path_data_xml);
    for_each_item<Tcomport>(setup.comports.list, [&f](Tcomport& c) {
        f.value(c.type);
        f.value(c.rate);
        f.text(c.description);
        f.text(c.port);
    });
    f.value('|');
    for_each_item<Tstation>(setup.stations.list, [&f](Tstation& s) {
        f.value(s.id);
        f.text(s.phone_nbr);
        f.text(s.pin);
        f.text(s.description);
        f.text(s.display_type);
        f.value(s.configuration.cursor());
        f.bytes(s.configuration.data(), IMAGE_SIZE);
    });
    return f.result();
}
