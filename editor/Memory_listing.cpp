// The image in the editor's words.
#include "Memory_listing.h"

#include "Station_editor.h"

bool Editor_listing_words::channel(const Sequence_command& command, std::string* caption,
                                   std::string* threshold, std::string* unit) const {
    const Channel* channel = command_channel(command);
    if (channel == nullptr) return false;
    *caption = channel->caption;
    *unit = channel->unit;
    if (command.has_threshold) *threshold = threshold_text(*channel, command);
    return true;
}

std::string Editor_listing_words::outputs(const Sequence_command& command) const {
    std::string text;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) text += ", ";
        text += "output " + std::to_string(k) + " " +
                output_action_items[output_choice(command.and_mask, command.or_mask, k)];
    }
    return text;
}

std::string Editor_listing_words::time(uint8_t t, int32_t seconds) const {
    return timing_text(t, seconds);
}

Image_listing editor_listing(const Teeprom_configurer& image) {
    static const Editor_listing_words words;
    return list_image(image, &words);
}

Image_listing would_be_listing(const Station_editor& editor, Teeprom_configurer* image) {
    editor.build_image(*image);
    return editor_listing(*image);
}
