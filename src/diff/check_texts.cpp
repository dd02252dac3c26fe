#include "diff/check_texts.h"

#include <map>

#include "diff/text_checks.h"
#include "text/format.h"

namespace {

// The conversions of a text as a translator reads them: "%d %s", or "none".
WString ConversionList(WStringView text) {
  WString list;
  for (const Conversion& c : PrintfConversions(text)) {
    if (!list.empty()) list += u' ';
    list += c.Written(text);
  }
  return list.empty() ? WString(u"none") : list;
}

void CheckConversions(ModuleCheck& check, const TextPair& pair, const WString& translation) {
  if (ConversionsMatch(pair.source, translation)) return;
  AddFinding(check, CheckKind::Printf, pair.place,
             Format(u"the conversions differ: %s in the source, %s in the translation", ConversionList(pair.source),
                    ConversionList(translation)),
             pair.source, translation);
}

void CheckHotkeyMarks(ModuleCheck& check, const TextPair& pair, const WString& translation) {
  switch (CheckHotkeys(pair.source, translation)) {
    case HotkeyFault::Lost:
      AddFinding(check, CheckKind::Accelerator, pair.place, u"the hotkey marker `&' is lost", pair.source,
                 translation);
      break;
    case HotkeyFault::Several:
      AddFinding(check, CheckKind::Accelerator, pair.place,
                 Format(u"%u hotkey markers `&' where one is the most", static_cast<unsigned>(Hotkeys(translation).Count())),
                 pair.source, translation);
      break;
    case HotkeyFault::None: break;
  }
}

void CheckShortcut(ModuleCheck& check, const TextPair& pair, const WString& translation) {
  WStringView shortcut, ignored;
  if (!ShortcutText(pair.source, shortcut) || ShortcutText(translation, ignored)) return;
  AddFinding(check, CheckKind::ShortcutText, pair.place,
             Format(u"the shortcut text `%s' after the tab is lost", WString(shortcut)), pair.source, translation);
}

void CheckSpacesAndBreaks(ModuleCheck& check, const TextPair& pair, const WString& translation) {
  const size_t leading = LeadingSpaces(pair.source), trailing = TrailingSpaces(pair.source);
  const size_t theirLeading = LeadingSpaces(translation), theirTrailing = TrailingSpaces(translation);
  if (leading != theirLeading || trailing != theirTrailing)
    AddFinding(check, CheckKind::Whitespace, pair.place,
               Format(u"spaces at the start and end: %u and %u in the source, %u and %u in the translation",
                      static_cast<unsigned>(leading), static_cast<unsigned>(trailing),
                      static_cast<unsigned>(theirLeading), static_cast<unsigned>(theirTrailing)),
               pair.source, translation);
  const size_t breaks = LineBreaks(pair.source), theirBreaks = LineBreaks(translation);
  if (breaks != theirBreaks)
    AddFinding(check, CheckKind::Newlines, pair.place,
               Format(u"line breaks: %u in the source, %u in the translation", static_cast<unsigned>(breaks),
                      static_cast<unsigned>(theirBreaks)),
               pair.source, translation);
}

bool IsTranslated(const TextPair& pair) {
  return pair.translation && !pair.translation->empty() && *pair.translation != pair.source;
}

// The hotkey a translation or source marks, folded; 0 for none.
char16_t MarkedLetter(WStringView text) { return FoldHotkey(Hotkeys(text).letter); }

// The other text of a collision, as a translator finds it.
WString PlaceText(const TextPlace& place) {
  const WStringView kind = place.resource == CheckedResource::Menu ? u"menu item" : u"control";
  if (place.item) return Format(u"%s %u", kind, static_cast<unsigned>(*place.item));
  return Format(u"%s at position %u", kind, static_cast<unsigned>(place.index.value_or(0)));
}

}  // namespace

void AddFinding(ModuleCheck& check, CheckKind kind, const TextPlace& place, WString message,
                std::optional<WString> source, std::optional<WString> translation) {
  Finding finding;
  finding.check = kind;
  finding.place = place;
  finding.message = std::move(message);
  finding.source = std::move(source);
  finding.translation = std::move(translation);
  check.findings.push_back(std::move(finding));
}

void CheckTextPair(ModuleCheck& check, const TextPair& pair) {
  if (pair.source.empty()) return;
  ++check.texts.total;
  if (!pair.translation || pair.translation->empty()) {
    ++check.texts.missing;
    if (pair.reportMissing)
      AddFinding(check, CheckKind::Missing, pair.place, u"not in the language file", pair.source);
    return;
  }
  const WString& translation = *pair.translation;
  if (translation == pair.source) {
    ++check.texts.untranslated;
    return;
  }
  ++check.texts.translated;
  CheckConversions(check, pair, translation);
  if (pair.role != TextRole::String) CheckHotkeyMarks(check, pair, translation);
  if (pair.role == TextRole::MenuItem) CheckShortcut(check, pair, translation);
  CheckSpacesAndBreaks(check, pair, translation);
}

void CheckHotkeyCollisions(ModuleCheck& check, const std::vector<const TextPair*>& group) {
  // Each text is held against the first text that marks its letter: one
  // pass, however many texts a template holds.
  std::map<char16_t, const TextPair*> first;
  for (const TextPair* text : group) {
    if (!text->translation) continue;
    const char16_t letter = MarkedLetter(*text->translation);
    if (letter == 0) continue;
    const auto [at, isFirst] = first.emplace(letter, text);
    if (isFirst) continue;
    const TextPair& earlier = *at->second;
    // The module's own collision is the module's: the translation only
    // keeps it.
    const char16_t sourceLetter = MarkedLetter(text->source);
    if (sourceLetter != 0 && sourceLetter == MarkedLetter(earlier.source)) continue;
    if (!IsTranslated(*text) && !IsTranslated(earlier)) continue;
    const TextPair& told = IsTranslated(*text) ? *text : earlier;
    const TextPair& other = &told == text ? earlier : *text;
    AddFinding(check, CheckKind::AcceleratorCollision, told.place,
               Format(u"the hotkey `%c' is marked by %s too", letter, PlaceText(other.place)), told.source,
               told.translation);
  }
}
