#pragma once
// Searches for where a head line's pieces (atoms, gates, marks) go among
// its text, so that the comment cut and the gate reader leave them whole.
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varn/model.hpp"

namespace varn::write {

// `line` with `piece` put in at the first place from byte `from` on (a
// character boundary) where the comment cut takes nothing of the line and
// what the line reads as passes `reads_back`; a few such places are tried.
std::optional<std::string> with_piece_placed(std::string_view line, std::size_t from, std::string_view piece,
                                             const std::function<bool(const std::string&)>& reads_back);
// The same for several pieces, in order (at most sixteen): the placings that
// leave nothing to the cut, each piece as early as it can go first, a few of
// them read back.
// Only where `allowed` holds for the place (counted from `from`) and the
// piece's index, when given; placings that fail `worth`, a cheaper check
// than the read-back, are passed over without counting as tried (a bounded
// number of them).
std::optional<std::string> with_pieces_placed(std::string_view line, std::size_t from,
                                              const std::vector<std::string>& pieces,
                                              const std::function<bool(const std::string&)>& reads_back,
                                              const std::function<bool(std::size_t, std::size_t)>& allowed = {},
                                              const std::function<bool(std::string_view)>& worth = {});

// Puts `gates`, spelled one after another, into `line` where
// `with_piece_placed` finds a place (the reader strips gates from anywhere):
// true when it did, and the line then reads back.
bool place_gates(std::string& line, std::size_t from, const std::vector<Gate>& gates,
                 const std::function<bool(const std::string&)>& reads_back);

// A heading line of `lead` (the `depth` marks and the space after them) and
// the name with the atoms placed among its words, tried in turn: the ways of
// `words_with_atoms_reading_back`, then the atoms split around the name
// (some before it, the rest after), then placed between its words by the
// comment scan's table (braces kept from pairing first). `finish`, given the
// line and where gates may start in it, may add the gates and says whether
// the line reads back.
std::optional<std::string> heading_with_atoms_placed(std::string_view lead, std::size_t depth, std::string_view name,
                                                      const std::vector<Atom>& atoms,
                                                      const std::function<bool(std::string&, std::size_t)>& finish);

// The same where the gates' bars or quotes are what hides a "//" of the
// name: the gates first, after the marks (before a '{' of the name that does
// not close, nowhere else reads back); else gates and atoms placed together,
// the gates anywhere in the name or an atom's word, the atoms between the
// name's words, by a search that follows the comment scan and the gate
// reader byte by byte (and, where it gives up on a long line, by a few
// placings read back). Either of atoms and gates may be empty.
std::optional<std::string> heading_with_gates_placed(std::string_view lead, std::size_t depth, std::string_view name,
                                                     const std::vector<Atom>& atoms, const std::vector<Gate>& gates,
                                                     const std::function<bool(const std::string&)>& reads_back);

// Appends the words of `text` (split at single spaces) to `line`, each after
// a space unless it is the first after `start`. Before a word whose "//" the
// comment cut would take, `mark` appends a word that the reader takes apart
// from the text (given how many it appended so far; false when it has none
// left) until one of their bars or quotes hides the "//"; and a mark for
// which `hidden` holds goes, with those before it, before the first word
// where the scan hides it. At most sixteen marks are tried before a word.
// Returns how many marks it appended.
std::size_t append_words_with_marks(std::string& line, std::size_t start, std::string_view text,
                                    const std::function<bool(std::string&, std::size_t)>& mark,
                                    const std::function<bool(std::size_t)>& hidden = {});

// Appends the words of `text` as `append_words_with_marks` does, with the
// atoms as the marks, in order: each before the word whose "//" it must hide,
// or, with `hide_slashed`, (with those before it) where the name's bars or
// quotes first hide its own "//"; the rest after the last word.
void append_words_with_atoms(std::string& line, std::string_view text, const std::vector<Atom>& atoms,
                             bool hide_slashed);
// `lead` and the words of `text` with the atoms placed among them, in the
// ways above and, last, by a search over how many words and atoms are placed
// and the comment scan's state (so that neither leaves a "//" to the cut;
// bounded by the line's size): the first for which `finish`, which may add
// what follows on the line, says it reads back. The search leaves the scan
// where `after`, when `finish` adds it, bares no "//".
std::optional<std::string> words_with_atoms_reading_back(std::string_view lead, std::string_view text,
                                                         const std::vector<Atom>& atoms,
                                                         const std::function<bool(std::string&)>& finish,
                                                         std::string_view after = {});

// Appends the gates, each after `sep`, to a line whose reader takes only the
// balanced brace groups from this part (a policy rule's gates): where the
// comment cut would take a "//" of theirs, a lone bar or quote (which the
// reader drops) goes before a gate so that the scan hides it.
void append_gates_hiding_slashes(std::string& line, const std::vector<Gate>& gates, std::string_view sep);

}  // namespace varn::write
