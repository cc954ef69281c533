#pragma once
// Reads the installed programs of a report (form field xipSoftware, see
// protocol/SoftwareField.h) into the list the store writes. The list points
// into the request's decoded parameters or into the intake's own decoding
// of the field, so the request and the intake must outlive it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "HttpRequest.h"
#include "ListDigestMemo.h"
#include "SoftwareList.h"

namespace vantrel::intake {

class SoftwareIntake {
  public:
    // Reads the field's first entry (name compared as ParamValue does). A
    // report without the field, or with one holding no program, brings no
    // list: the PC's stored list stays as it is. Lines without the seven
    // values or without a name are skipped and counted; empty lines are
    // no program. Of the rest the first kMaxPrograms are kept, from the
    // value's first kMaxSoftwareBytes (a line cut by that bound goes too).
    // With a memo, the list's digest and counts are taken from it when the
    // same text came before, and remembered there otherwise; the text is
    // then decoded and its lines read only when the store asks for them.
    explicit SoftwareIntake(const HttpRequest& request, ListDigestMemo* memo = nullptr);
    // The list calls back into the intake that made it.
    SoftwareIntake(const SoftwareIntake&) = delete;
    SoftwareIntake& operator=(const SoftwareIntake&) = delete;

    // The list for the store; null when the report brings none.
    const store::SoftwareList* List() const { return hasList_ ? &list_ : nullptr; }
    std::size_t Kept() const { return kept_; }
    std::size_t Skipped() const { return skipped_; }
    // Programs past the bounds, not kept.
    std::size_t Dropped() const { return dropped_; }

    // The event-log line after the report's when lines were skipped or
    // programs dropped ("  软件清单：只收下前 5000 项，另有 12 项未收；
    // 跳过格式不对的 3 行"), or when the field came without any program;
    // "" otherwise.
    std::string LogLine() const;

  private:
    struct Counts {
        std::size_t kept = 0;
        std::size_t skipped = 0;
        std::size_t dropped = 0;
    };
    // Decodes the field's text when it came encoded and reads its lines
    // into list_ (once; the counts are the same every time).
    Counts ReadLines() const;

    std::string_view text_;  // the field's value as the request holds it
    bool encoded_ = false;
    // Filled when the lines are read, which the store may ask for after
    // the intake was made (a const object).
    mutable std::string decoded_;
    mutable store::SoftwareList list_;
    mutable bool linesRead_ = false;
    bool present_ = false;
    bool hasList_ = false;
    std::size_t kept_ = 0;
    std::size_t skipped_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace vantrel::intake
