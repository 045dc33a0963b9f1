// A format's presenting part of one merge run: a tiddler's text in a box, an edited box taken back as
// an entry, and what a box needs besides its text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "merge/format/ConflictPair.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/model/Visit.h"

namespace korvane {

class TiddlerPresenter {
  public:
    virtual ~TiddlerPresenter() = default;

    // What a dialog box shows for a stored entry.
    virtual std::string boxText(const Visit& v, std::string_view entry) const = 0;
    // A box's text against the entry it was shown from: none when it stands for that entry (or cannot
    // be taken back), an empty text for a box left blank, else the edited entry.
    virtual std::optional<std::string> fromBox(const std::string& boxText, std::string_view stored) = 0;
    // Fills what a person's question needs besides the texts: how differences are marked, and the check
    // of an edited text.
    virtual void describeBoxes(const Visit& /*v*/, const ConflictPair& /*pair*/,
                               ConflictQuestion& /*r*/) const {}
};

}  // namespace korvane
