// The checks of one source text against its translation, and of the hotkeys
// of one menu level or dialog, as findings of a module.
#pragma once

#include <optional>
#include <vector>

#include "diff/check_findings.h"

// Which checks a text gets: strings have no hotkeys; menu items also have
// shortcut texts.
enum class TextRole { String, MenuItem, DialogText };

struct TextPair {
  TextPlace place;
  TextRole role = TextRole::String;
  WString source;
  std::optional<WString> translation;  // none when the language file lacks it
  // A lacking translation is a finding of its own, unless a finding about
  // its whole resource or module says so already.
  bool reportMissing = true;
};

void AddFinding(ModuleCheck& check, CheckKind kind, const TextPlace& place, WString message,
                std::optional<WString> source = std::nullopt, std::optional<WString> translation = std::nullopt);

// Counts the text (when its source is not empty) and adds the findings of
// its checks. An empty translation of a text is a lacking one; one
// identical to its source is untranslated and gets no other finding.
void CheckTextPair(ModuleCheck& check, const TextPair& pair);

// The texts of one menu level or one dialog's controls: a translation that
// marks the same letter (whatever its case) as the first one to mark it,
// where their sources do not, is a collision, told at the later text (or
// at the earlier one when the later is untranslated).
void CheckHotkeyCollisions(ModuleCheck& check, const std::vector<const TextPair*>& group);
