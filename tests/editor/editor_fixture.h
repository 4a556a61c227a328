// Opens the editor logic on a station whose image holds given bytes, and reads controls by name.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Station_editor.h"
#include "image_bytes.h"

struct Editor_fixture {
    Tstation station;
    Station_editor editor;

    // Opens the editor on a station whose image is exactly these bytes.
    void open_image(const std::string& hex) {
        station.configuration = image_of(hex);
        editor.open(&station);
    }
    void open() { editor.open(&station); }

    int control(const std::string& name) const {
        const int i = editor.form.find(name);
        EXPECT_GE(i, 0) << name;
        return i;
    }
    bool checked(const std::string& name) const { return editor.form.at(control(name)).checked; }
    int index(const std::string& name) const { return editor.form.at(control(name)).index; }
    std::string text(const std::string& name) const { return editor.form.at(control(name)).text; }
    bool enabled(const std::string& name) const { return editor.form.at(control(name)).enabled; }

    void tick(const std::string& name, bool on = true) {
        ASSERT_TRUE(editor.set_checked(control(name), on)) << name;
    }
    void choose(const std::string& name, int i) { ASSERT_TRUE(editor.set_index(control(name), i)) << name; }
    void type(const std::string& name, const std::string& t) {
        ASSERT_TRUE(editor.set_text(control(name), t)) << name;
    }

    // The names of the controls that are ticked, in form order.
    std::string ticked() const {
        std::string out;
        for (const Control& c : editor.form.controls())
            if (c.kind == Control_kind::CHECK_BOX && c.checked) out += (out.empty() ? "" : " ") + c.name;
        return out;
    }
};
