// The built plug-in module as a host sees it: loaded with dlopen, entered
// through getPlugin, exporting nothing else.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "support/FakeHost.h"

namespace Quarn {
namespace {

// The names of the symbols an ELF64 shared object defines in its dynamic
// symbol table.
std::set<std::string> definedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr))
    return names;
  Elf64_Ehdr header;
  std::memcpy(&header, file.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
    return names;
  auto section = [&](std::size_t i) {
    Elf64_Shdr s;
    std::memcpy(&s, file.data() + header.e_shoff + i * header.e_shentsize, sizeof s);
    return s;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM)
      continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (std::size_t off = 0; off + sizeof(Elf64_Sym) <= symbols.sh_size;
         off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + symbols.sh_offset + off, sizeof sym);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0)
        continue;
      names.insert(std::string(file.data() + strings.sh_offset + sym.st_name));
    }
  }
  return names;
}

TEST(Module, ExportsOnlyGetPlugin) {
  EXPECT_EQ(definedDynamicSymbols(QUARN_MODULE_PATH), std::set<std::string>{"getPlugin"});
}

TEST(Module, HostLoadsQueriesAndReleases) {
  void* module = dlopen(QUARN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto get = reinterpret_cast<GetPluginFunction>(dlsym(module, "getPlugin"));
  ASSERT_NE(get, nullptr);
  // Nothing of the framework leaks out of the module.
  EXPECT_EQ(dlsym(module, "_ZN5Quarn6Plugin7releaseEv"), nullptr);

  Testing::FakePluginHost pluginHost;
  Testing::FakeContainerHost containerHost;
  Plugin* plugin = nullptr;
  ASSERT_EQ(get(&pluginHost, &plugin), ResultOk);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->getReferenceCount(), 1);
  EXPECT_EQ(plugin->getHost(), &pluginHost);

  void* face = nullptr;
  ASSERT_EQ(plugin->queryInterface(String<char>(kContainerInterfaceId), &face), ResultOk);
  auto* container = static_cast<ContainerInterface*>(face);
  container->setHost(&containerHost, 77);
  EXPECT_EQ(container->getContainerId(), 77u);
  EXPECT_EQ(container->getMediaTypeCount(), 2u);
  // A string made inside the module carries the module's allocator and is
  // freed through it here, in the host.
  EXPECT_TRUE(container->getMediaTypeName(1).equals("text/x-ass"));

  EXPECT_EQ(plugin->queryInterface(String<char>(kInputInterfaceId), &face), ResultNoInterface);
  EXPECT_EQ(face, nullptr);
  EXPECT_EQ(get(&pluginHost, nullptr), ResultFailed);

  EXPECT_EQ(plugin->release(), 0);
  EXPECT_EQ(pluginHost.log.names(),
            (std::vector<std::string>{"pluginDestroying", "pluginDestroyed"}));
  EXPECT_EQ(dlclose(module), 0);
}

}  // namespace
}  // namespace Quarn
