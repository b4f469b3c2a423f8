#pragma once

#include <string>
#include <string_view>

// What the archiver prints carries names from the disk, which may hold
// anything: on its way to the terminal only text and the few controls its
// progress display uses (backspace, carriage return, line feed, tab) pass.
// Every other C0 and C1 control and DEL is dropped, so that no escape
// sequence retitles, clears or hides the console; bytes that are no UTF-8
// become "?". The output is at most as long as the input plus the few bytes
// of a character cut at a piece's end, which wait for the next piece.
class OutputFilter
{
public:
    void pass(std::string_view input, std::string &output);
    // Whatever is left of a character cut short at the end.
    void finish(std::string &output);

private:
    std::string m_pending; // the start of a UTF-8 sequence, at most three bytes
};

// A name for the summary with its controls made visible ("\x1b") and bytes
// that are no UTF-8 written the same way.
std::string visible(std::string_view name);
