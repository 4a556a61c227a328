// Writes the fuzz targets' seed corpora into OUT/<target>/: the example setup file and the hostile test
// files as they are, documents that the writer itself produced, the images their stations hold, and
// texts taken from their attributes. Usage: make_seeds OUT FILE...
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "Sequence_command.h"
#include "Setup.h"

namespace fs = std::filesystem;

namespace {

int written_seeds = 0;

void put(const fs::path& folder, const std::string& name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
    ++written_seeds;
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A document with a few stations whose configurations use every record and command.
void random_document(std::mt19937& rng, Tsetup& setup) {
    std::uniform_int_distribution<int> byte(0, 255);
    const auto text = [&](size_t most) {
        static const char pieces[] = "ab&<>\"';#x\t\xe9\xff 09";
        std::string t(std::uniform_int_distribution<size_t>(0, most)(rng), ' ');
        for (char& c : t)
            c = pieces[byte(rng) % (sizeof pieces - 1)];
        return t;
    };
    setup.set_defaults();
    copy_text(setup.path_data_bin, text(40).c_str(), sizeof setup.path_data_bin);
    for (int s = std::uniform_int_distribution<int>(1, 4)(rng); s > 0; --s) {
        auto* station = new Tstation;
        station->id = static_cast<int32_t>(rng());
        copy_text(station->description, text(60).c_str(), sizeof station->description);
        copy_text(station->pin, text(4).c_str(), sizeof station->pin);
        Teeprom_configurer& image = station->configuration;
        image.add_tag_long(tag::STATION_ID, station->id);
        image.add_tag_long(tag::ACQ_INTERVAL0, byte(rng) * 60);
        image.add_sms_number(text(15).c_str());
        for (int sequence = 0; sequence < 3; ++sequence) {
            const uint8_t length = image.open_record(static_cast<uint8_t>(tag::SEQUENCE_SLOW + sequence));
            encode_probes_power(image, 3);
            encode_acq_vbat(image, 0, byte(rng) / 10.0);
            encode_acq_fluo(image, 4, 0, byte(rng) % 10, byte(rng) % 2, byte(rng) / 7.0, byte(rng) % 2);
            encode_acq(image, 161 + byte(rng) % 15, 2, 1, 7, true, byte(rng) * 3.5, byte(rng) % 2);
            encode_acq_instrument(image, 3, byte(rng), 1, false, 0, false);
            encode_conditional_sms(image);
            encode_conditional_action(image, 5, byte(rng), byte(rng));
            encode_simple_sensor(image, 1 + sequence % 2, byte(rng));
            encode_wait(image, byte(rng));
            encode_nop(image);
            encode_end(image);
            image.close_record(length);
        }
        const uint8_t system = image.open_record(tag::SYSTEM_CONFIG);
        image.add_byte(static_cast<uint8_t>(byte(rng)));
        image.close_record(system);
        image.add_byte(tag::END);
        setup.stations.append(station);
    }
}

void seeds_from_document(const fs::path& out, const std::string& name, Tsetup& setup) {
    int n = 0;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        const std::string stem = name + "-" + std::to_string(++n);
        std::string image(reinterpret_cast<const char*>(s.configuration.data()), IMAGE_SIZE);
        put(out / "config_image", stem, image + static_cast<char>(s.configuration.cursor()));
        // The editor store's input: an id, "load an image", the image and its cursor, then control changes.
        std::string store(4, '\x01');
        store += '\x01';
        store += image;
        store += static_cast<char>(s.configuration.cursor());
        store += std::string("\x05\x00\x01\x40\x02\x11\x22\x07\x01\x33", 10);
        put(out / "editor_store", stem, store);
        put(out / "text_helpers", stem + "-description", s.description);
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds OUT FILE...\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* target : {"setup_file", "config_image", "text_helpers", "editor_store"})
        fs::create_directories(out / target);
    Trace_capture quiet;
    for (int i = 2; i < argc; ++i) {
        const fs::path file = argv[i];
        const std::string name = file.filename().string();
        put(out / "setup_file", name, file_bytes(file));
        Tsetup setup;
        if (setup.read_file(file.c_str()) == 0) seeds_from_document(out, name, setup);
    }
    std::mt19937 rng(20261208);
    for (int d = 0; d < 40; ++d) {
        Tsetup setup;
        random_document(rng, setup);
        const std::string name = "generated-" + std::to_string(d) + ".xml";
        std::string reason;
        if (setup.write_file((out / "setup_file" / name).c_str(), &reason) != 0) {
            std::fprintf(stderr, "make_seeds: %s\n", reason.c_str());
            return 1;
        }
        ++written_seeds;
        seeds_from_document(out, name, setup);
    }
    for (const char* text :
         {"-12", "4294967297", " - 3", "1.5e-1", "1e999", "0e999", "-0.3", "11,9", "&#x41;&amp;&#x100;",
          "&#0;&#xFFFFFFFF;", "c:\\data\\\\", "//\\/", "\xe9\xff<>\"'&"})
        put(out / "text_helpers", "text-" + std::to_string(written_seeds), text);
    std::printf("make_seeds: %d seed files in %s\n", written_seeds, out.c_str());
    return 0;
}
