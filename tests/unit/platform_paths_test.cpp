// Lexical path rules on POSIX: "/" separates, a backslash is a name
// character, "." and ".." fold without touching the disk.
#include <gtest/gtest.h>

#include "os/paths.h"

#ifndef _WIN32  // the Windows rules: platform_win32_test.cpp

TEST(PlatformPaths, CombineFoldsDotComponents) {
  EXPECT_EQ(CombinePath(u"/base/a", u"b/./c/../d"), u"/base/a/b/d");
  EXPECT_EQ(CombinePath(u"/base/a", u"../../../x"), u"/x");  // never above the root
  EXPECT_EQ(CombinePath(u"/base/a", u""), u"/base/a");
  EXPECT_EQ(CombinePath(u"/base/a", u"."), u"/base/a");
  EXPECT_EQ(CombinePath(u"/base/a", u"dir/"), u"/base/a/dir");
  EXPECT_EQ(CombinePath(u"/base/a", u"/abs/./y"), u"/abs/y");
  EXPECT_EQ(CombinePath(u"/", u".."), u"/");
  EXPECT_EQ(CombinePath(u"/w", u"Release\\gen.dll"), u"/w/Release\\gen.dll");
  EXPECT_EQ(CombinePath(u"/w", u"...//..x"), u"/w/.../..x");
  EXPECT_EQ(FoldDotComponents(u"a/../../b"), u"../b");
}

TEST(PlatformPaths, ComponentsAndExtensions) {
  EXPECT_EQ(JoinPath(u"/a", u"b"), u"/a/b");
  EXPECT_EQ(JoinPath(u"/", u"b"), u"/b");
  EXPECT_EQ(JoinPath(u"/a/", u"b"), u"/a/b");
  EXPECT_EQ(LastComponent(u"/a/b.dll"), u"b.dll");
  EXPECT_EQ(LastComponent(u"b.dll"), u"b.dll");
  EXPECT_EQ(LastComponent(u"/a\\b.dll"), u"a\\b.dll");
  EXPECT_EQ(ParentFolder(u"/a/b.dll"), u"/a");
  EXPECT_EQ(ParentFolder(u"/b.dll"), u"/");
  EXPECT_EQ(ParentFolder(u"b.dll"), u"");
  EXPECT_EQ(FindExtension(u"/a.d/b.tar.gz"), u".gz");
  EXPECT_EQ(FindExtension(u"/a.d/b"), u"");
  EXPECT_EQ(FindExtension(u".hidden"), u".hidden");
  EXPECT_EQ(RemoveExtension(u"/a.d/gen_test.dll"), u"/a.d/gen_test");
  EXPECT_EQ(RemoveExtension(u"/a.d/noext"), u"/a.d/noext");
  EXPECT_EQ(RemoveExtension(u"name."), u"name");
  EXPECT_TRUE(IsAbsolutePath(u"/x"));
  EXPECT_FALSE(IsAbsolutePath(u"\\x"));
  EXPECT_FALSE(IsAbsolutePath(u""));
}

TEST(PlatformPaths, RelativePathBetweenFolders) {
  WString out;
  ASSERT_TRUE(RelativePath(u"/i/plugins", u"/i/plugins/a.dll", out));
  EXPECT_EQ(out, u"./a.dll");
  ASSERT_TRUE(RelativePath(u"/i/plugins", u"/i/system/b.nxs", out));
  EXPECT_EQ(out, u"../system/b.nxs");
  EXPECT_FALSE(RelativePath(u"rel", u"/i/a", out));
}
#endif
