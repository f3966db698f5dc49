#pragma once
// How a conversation with the matrix ended. Every page reports one outcome when a request it
// started ends (or could not start), to whoever listens: the command-line tool turns the kind into
// its exit status, the window shows the text. The kind alone says what happened; the text is what
// the page showed for it, taken from the one table of texts, and decides nothing.

#include "core/app/Texts.h"

#include <array>
#include <functional>
#include <string>
#include <utility>

namespace quorvane {

struct Outcome {
    enum class Kind {
        Done,         // the matrix did what was asked
        TimedOut,     // no answer after the last wait
        Standby,      // the matrix reported standby
        LinkLost,     // the link went down while the request ran
        LinkDown,     // the link was not up, so nothing was sent
        Refused,      // the matrix (or the page on its behalf) refused; the text says why
        Busy,         // an earlier request still runs; nothing was sent
        InvalidInput, // what was given cannot be sent (no file, a file the matrix cannot take)
    };

    Kind kind = Kind::Done;
    Text text = Text::None;  // the message shown for it, None when none
    int output = 0;          // fills the blank of texts that have one (the output 1..8)
    std::string detail = {}; // follows the text (the reason after "Upgrade refused: ")

    // The wording shown, "" when none.
    std::string wording() const { return textFor(text, output) + detail; }
    bool done() const { return kind == Kind::Done; }
};

inline constexpr std::array<Outcome::Kind, 8> AllOutcomeKinds{
    Outcome::Kind::Done,     Outcome::Kind::TimedOut,    Outcome::Kind::Standby,
    Outcome::Kind::LinkLost, Outcome::Kind::LinkDown,    Outcome::Kind::Refused,
    Outcome::Kind::Busy,     Outcome::Kind::InvalidInput};

// Where one page (or control set) reports its outcomes; nothing happens while nobody listens.
class OutcomeReport {
public:
    using Listener = std::function<void(const Outcome&)>;

    void setListener(Listener listener) { listener_ = std::move(listener); }
    void operator()(const Outcome& outcome) const {
        if (listener_)
            listener_(outcome);
    }

private:
    Listener listener_;
};

} // namespace quorvane
