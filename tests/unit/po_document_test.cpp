// The PO reader and writer. What GNU gettext's own tools say of the files
// written is tested end to end (po_test.cpp); here: every kind of line, the
// faults with their lines, and input cut anywhere.
#include <gtest/gtest.h>

#include "text/po_document.h"

namespace {

// Files as the writer writes them: reading and writing gives the bytes back.
const char* const kCanonical[] = {
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Project-Id-Version: Nuvexa 5.6\\n\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "\n"
    "# translator\n"
    "#\n"
    "#.  extracted, indented\n"
    "#: nuvexa.exe:MENU/1/#0.2\n"
    "#, fuzzy, c-format\n"
    "#| msgctxt \"old\"\n"
    "#| msgid \"Old %s\"\n"
    "msgctxt \"STRINGTABLE/7\"\n"
    "msgid \"Tab\\there \\\"quoted\\\" back\\\\slash \\a\\b\\f\\v\\r \xc3\xa9\\n\"\n"
    "msgstr \"\x01raw control\"\n"
    "\n"
    "msgid \"\"\n"
    "\"\\n\"\n"
    "\"two\\n\"\n"
    "\"\\n\"\n"
    "\"lines\"\n"
    "msgid_plural \"many\"\n"
    "msgstr[0] \"one\"\n"
    "msgstr[1] \"\"\n"
    "\n"
    "#~| msgid \"was\"\n"
    "#~ msgctxt \"gone\"\n"
    "#~ msgid \"\"\n"
    "#~ \"a\\n\"\n"
    "#~ \"b\"\n"
    "#~ msgstr \"weg\"\n",
    "msgctxt \"\"\n"
    "msgid \"\"\n"
    "msgstr \"\"\n",
};

TEST(PoDocument, CanonicalFilesReadAndWriteBack) {
  for (const char* text : kCanonical) {
    SCOPED_TRACE(text);
    PoDocument doc;
    PoFault fault;
    ASSERT_TRUE(ReadPoDocument(text, doc, fault)) << fault.line;
    EXPECT_EQ(WritePoDocument(doc), text);
  }
  PoDocument doc;
  PoFault fault;
  ASSERT_TRUE(ReadPoDocument(kCanonical[0], doc, fault));
  ASSERT_EQ(doc.entries.size(), 4u);
  EXPECT_TRUE(IsHeader(doc.entries[0]));
  EXPECT_EQ(PoHeaderField(doc.entries[0].strings[0], "Project-Id-Version"), "Nuvexa 5.6");
  const PoEntry& e = doc.entries[1];
  EXPECT_EQ(e.line, 13u);
  EXPECT_EQ(e.translatorComments, (std::vector<std::string>{"translator", ""}));
  EXPECT_EQ(e.extractedComments, (std::vector<std::string>{" extracted, indented"}));
  EXPECT_TRUE(HasFlag(e, "fuzzy") && HasFlag(e, "c-format"));
  EXPECT_EQ(e.previousId, "Old %s");
  EXPECT_EQ(e.id, "Tab\there \"quoted\" back\\slash \a\b\f\v\r \xc3\xa9\n");
  EXPECT_EQ(doc.entries[2].id, "\ntwo\n\nlines");
  EXPECT_EQ(doc.entries[2].strings, (std::vector<std::string>{"one", ""}));
  EXPECT_TRUE(doc.entries[3].obsolete);
}

TEST(PoDocument, ReadsWhatOtherWritersWrite) {
  // Unpadded markers, several strings on a line, octal and hex escapes,
  // CR LF line ends, a byte order mark, and the single-byte charsets.
  struct Case {
    std::string input, id, str;
  } cases[] = {
      {"#,fuzzy\r\nmsgid \"a\" \"b\"\r\nmsgstr \"\\101\\x42\\0777\"\r\n", "ab", std::string("AB\x3f" "7")},
      {"\xEF\xBB\xBFmsgid \"a\"\nmsgstr \"b\"", "a", "b"},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=windows-1252\\n\"\n\nmsgid \"\x80\"\nmsgstr \"\\x80\"\n",
       "\xE2\x82\xAC", "\xE2\x82\xAC"},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\nmsgid \"\xE9\"\nmsgstr \"\"\n", "\xC3\xA9",
       ""},
      // Only the Content-Type field names the charset, wherever else
      // "charset=" stands.
      {"msgid \"\"\nmsgstr \"X-Note: charset=KOI8-R\\nContent-Type: text/plain; charset=LATIN1\f\\n\"\n\nmsgid \"\xE9\"\n"
       "msgstr \"\"\n",
       "\xC3\xA9", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    PoDocument doc;
    PoFault fault;
    ASSERT_TRUE(ReadPoDocument(c.input, doc, fault)) << fault.line;
    EXPECT_EQ(doc.entries.back().id, c.id);
    EXPECT_EQ(doc.entries.back().strings[0], c.str);
    // What was read is UTF-8, and the header says so: written and read
    // again, it is the same document.
    if (IsHeader(doc.entries[0])) {
      EXPECT_EQ(PoHeaderField(doc.entries[0].strings[0], "Content-Type"), "text/plain; charset=UTF-8");
    }
    PoDocument again;
    ASSERT_TRUE(ReadPoDocument(WritePoDocument(doc), again, fault)) << fault.line;
    EXPECT_EQ(WritePoDocument(again), WritePoDocument(doc));
  }
}

TEST(PoDocument, FaultsNameTheirLine) {
  struct Case {
    std::string input;
    size_t line;
    std::u16string what;
  } cases[] = {
      {"msgid \"a\"\nmsgstr \"b", 2, u"end of line within a string"},
      {"msgid \"a\\q\"\nmsgstr \"\"\n", 1, u"invalid escape sequence"},
      {"msgid \"a\\x\"\nmsgstr \"\"\n", 1, u"invalid escape sequence"},
      {"msgid \"a\"\nmsgstr \"\"\n\nmsgid \"a\"\nmsgstr \"c\"\n", 4, u"duplicate message definition"},
      {"# c\nmsgid \"a\"\n", 2, u"msgstr expected"},
      {"msgctxt \"k\"\nmsgstr \"a\"\n", 2, u"msgstr without msgid"},
      {"msgid \"a\"\n# c\nmsgstr \"\"\n", 2, u"comment inside an entry"},
      {"msgid \"a\"\nmsgstr \"\" x\n", 2, u"syntax error"},
      {"msgid \"a\"\nmsgstr\n", 2, u"a string is missing"},
      {"msgid \"a\"\nmsgid_plural \"b\"\nmsgstr[1] \"\"\n", 3, u"msgstr[] out of order"},
      {"msgid \"a\"\nmsgstr[0] \"\"\n", 2, u"msgstr[] without msgid_plural"},
      {"\"a\"\n", 1, u"syntax error"},
      {"msgid \"a\"\n#~ msgstr \"\"\n", 2, u"an obsolete entry mixed with a current one"},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=KOI8-R\\n\"\n", 1,
       u"the charset KOI8-R cannot be converted"},
      {"msgid \"a\"\nmsgstr \"\"\n\n# \xff\n", 4, u"invalid UTF-8"},
      {"msgid \"a\"\nmsgstr \"\\xc3\"\n", 1, u"an escape makes text that is not UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    PoDocument doc;
    PoFault fault;
    EXPECT_FALSE(ReadPoDocument(c.input, doc, fault));
    EXPECT_EQ(fault.line, c.line);
    EXPECT_EQ(fault.what, c.what);
    EXPECT_TRUE(doc.entries.empty());
  }
  // The size limit, checked before anything is read: the line it falls in.
  PoDocument doc;
  PoFault fault;
  EXPECT_FALSE(ReadPoDocument("msgid \"a\"\nmsgstr \"b\"\n", doc, fault, 12));
  EXPECT_EQ(fault.line, 2u);
  EXPECT_EQ(fault.what, u"the file is too large");
  EXPECT_TRUE(ReadPoDocument("msgid \"a\"\nmsgstr \"b\"\n", doc, fault, 21));
}

TEST(PoDocument, InputCutAnywhereIsReadOrRefused) {
  // Every prefix, down to one byte short of the whole: never a read past
  // the end (the sanitizer builds check), and a cut string is a fault of
  // its last line.
  const std::string whole = kCanonical[0];
  for (size_t size = 0; size < whole.size(); ++size) {
    PoDocument doc;
    PoFault fault;
    const std::string cut = whole.substr(0, size);
    if (!ReadPoDocument(cut, doc, fault)) {
      EXPECT_GE(fault.line, 1u) << size;
    }
  }
  PoDocument doc;
  PoFault fault;
  EXPECT_TRUE(ReadPoDocument(whole.substr(0, whole.size() - 1), doc, fault));  // only the last line end
  EXPECT_FALSE(ReadPoDocument(whole.substr(0, whole.size() - 2), doc, fault));
  EXPECT_EQ(fault.line, 31u);
  EXPECT_EQ(fault.what, u"end of line within a string");
}

}  // namespace
