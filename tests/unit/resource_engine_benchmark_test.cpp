// A benchmark, not a timed test (disabled by default): rewrites a 10 MB
// module holding 5,000 resources and prints how long each step takes.
//   packsmith_tests --gtest_also_run_disabled_tests --gtest_filter='*ResourceEngineBenchmark*'
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "os/files.h"
#include "driver/own_resources.h"
#include "unit/resource_engine_support.h"

namespace {

double Millis(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

TEST(DISABLED_ResourceEngineBenchmark, Rewrite10MegabyteModule) {
  constexpr int kResources = 5000;
  constexpr size_t kSize = 2000;  // 5,000 x 2,000 bytes: 10 MB of data
  const ByteSpan stub = FindOwnResource(ResId::Str(u"DLL_STUB"), ResId::Int(kDllStubResource));
  ResourceUpdatePtr build = BeginResourceUpdateFromBytes(std::vector<uint8_t>(stub.begin(), stub.end()));
  ASSERT_TRUE(build);
  std::vector<uint8_t> data(kSize);
  for (int i = 0; i < kResources; ++i) {
    for (size_t j = 0; j < kSize; ++j) data[j] = static_cast<uint8_t>(i + j);
    const ResId type = i % 2 ? ResId::Int(kRtRcdata) : ResId::Str(u"BLOB");
    UpdateResourceItem(*build, type, ResId::Int(static_cast<uint16_t>(i + 1)), 0x0409, data);
  }
  std::vector<uint8_t> module;
  ASSERT_TRUE(BuildUpdatedFile(*build, module));
  harness::TempDir dir;
  const WString path = Utf8ToWide(dir.Sub("big.dll"));
  ASSERT_TRUE(WriteFileBytes(path, module, false));

  auto start = std::chrono::steady_clock::now();
  ModulePtr opened = OpenModule(path);
  ASSERT_TRUE(opened);
  const double open = Millis(start);

  start = std::chrono::steady_clock::now();
  size_t found = 0, bytes = 0;
  for (const ResId& type : EnumResourceTypes(*opened))
    for (const ResId& name : EnumResourceNames(*opened, type)) {
      ByteSpan view;
      if (FindResourceDefault(*opened, type, name, view)) ++found, bytes += view.size();
    }
  const double find = Millis(start);
  EXPECT_EQ(found, static_cast<size_t>(kResources));
  opened.reset();

  start = std::chrono::steady_clock::now();
  ResourceUpdatePtr update = BeginResourceUpdate(path);
  ASSERT_TRUE(update);
  const std::vector<uint8_t> larger(kSize * 2, 0x5a);
  UpdateResourceItem(*update, ResId::Int(kRtRcdata), ResId::Int(2), 0x0409, larger);
  DeleteResourceItem(*update, ResId::Str(u"BLOB"), ResId::Int(1), 0x0409);
  ASSERT_TRUE(CommitResourceUpdate(std::move(update)));
  const double rewrite = Millis(start);

  std::printf("module %zu bytes, %d resources: open %.1f ms, find all %.1f ms (%zu bytes), "
              "begin+update+commit %.1f ms\n",
              module.size(), kResources, open, find, bytes, rewrite);
  ModulePtr again = OpenModule(path);
  ASSERT_TRUE(again);
  EXPECT_EQ(EnumResourceNames(*again, ResId::Str(u"BLOB")).size(), static_cast<size_t>(kResources / 2 - 1));
}

}  // namespace
