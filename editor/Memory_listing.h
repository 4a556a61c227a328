// The image listed in the editor's words: channel captions and threshold units from the channel table,
// outputs as their lists show them, times in the units of their edits. Shared by `vemora-cli image` and
// the station editor's Memory page.
#pragma once

#include "Image_listing.h"

class Station_editor;

class Editor_listing_words : public Listing_words {
  public:
    bool channel(const Sequence_command& command, std::string* caption, std::string* threshold,
                 std::string* unit) const override;
    std::string outputs(const Sequence_command& command) const override;
    std::string time(uint8_t tag, int32_t seconds) const override;
};

Image_listing editor_listing(const Teeprom_configurer& image);

// What OK would write for the editor's current values, listed; *image receives the bytes.
Image_listing would_be_listing(const Station_editor& editor, Teeprom_configurer* image);
