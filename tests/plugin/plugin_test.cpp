// The plug-in object: entry point, reference count, destruction notifications
// and the interface query.
#include <gtest/gtest.h>

#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "plugin/Identifiers.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace Quarn {
namespace {

using Testing::FakePluginHost;

Plugin* makePlugin(PluginHost* host) {
  Plugin* plugin = reinterpret_cast<Plugin*>(0x1);  // proves getPlugin overwrites it
  EXPECT_EQ(getPlugin(host, &plugin), ResultOk);
  EXPECT_NE(plugin, nullptr);
  return plugin;
}

TEST(Plugin, ReferenceCountAndDestructionNotifications) {
  FakePluginHost host;
  Plugin* plugin = makePlugin(&host);
  const void* address = plugin;
  EXPECT_EQ(plugin->getReferenceCount(), 1);
  EXPECT_EQ(plugin->getHost(), &host);
  EXPECT_EQ(plugin->getReserved(), 0u);

  EXPECT_EQ(plugin->retain(), 2);
  EXPECT_EQ(plugin->release(), 1);
  EXPECT_TRUE(host.log.calls().empty()) << "no notification before the last release";

  EXPECT_EQ(plugin->release(), 0);
  EXPECT_EQ(host.log.names(), (std::vector<std::string>{"pluginDestroying", "pluginDestroyed"}));
  ASSERT_EQ(host.destroyingKeys.size(), 1u);
  ASSERT_EQ(host.destroyedKeys.size(), 1u);
  EXPECT_EQ(host.destroyingKeys[0], address);
  EXPECT_EQ(host.destroyedKeys[0], address);
}

// The destroying notification still sees a live object; the destroyed one
// comes after the object is gone.
class ProbingHost : public FakePluginHost {
 public:
  void pluginDestroying(Plugin* plugin) override {
    countSeenWhileDestroying = plugin->getReferenceCount();
    FakePluginHost::pluginDestroying(plugin);
  }
  std::int32_t countSeenWhileDestroying = -1;
};

TEST(Plugin, DestroyingNotificationSeesTheLiveObject) {
  ProbingHost host;
  Plugin* plugin = makePlugin(&host);
  plugin->release();
  EXPECT_EQ(host.countSeenWhileDestroying, 0);
  EXPECT_EQ(host.log.count("pluginDestroyed"), 1u);
}

TEST(Plugin, NullArgumentsAreRefused) {
  FakePluginHost host;
  EXPECT_EQ(getPlugin(&host, nullptr), ResultFailed);

  Plugin* plugin = makePlugin(&host);
  EXPECT_EQ(plugin->queryInterface(String<char>(kContainerInterfaceId), nullptr), ResultFailed);
  plugin->release();

  // Without a host the plug-in still lives and dies cleanly.
  Plugin* orphan = makePlugin(nullptr);
  EXPECT_EQ(orphan->getHost(), nullptr);
  EXPECT_EQ(orphan->release(), 0);
}

TEST(Plugin, QueryInterfaceAnswersOnlyTheContainer) {
  FakePluginHost host;
  Plugin* plugin = makePlugin(&host);

  void* face = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(plugin->queryInterface(Identifiers::ContainerInterface, &face), ResultOk);
  auto* ssa = static_cast<SSAContainer*>(plugin);
  EXPECT_EQ(face, static_cast<ContainerInterface*>(ssa));
  EXPECT_NE(face, static_cast<void*>(plugin)) << "the container face is not the plug-in face";
  EXPECT_EQ(plugin->getReferenceCount(), 1) << "the query does not retain";

  const String<char> refused[] = {
      Identifiers::ComponentInterface,
      Identifiers::InputInterface,
      Identifiers::OutputInterface,
      Identifiers::TransformInterface,
      Identifiers::InputComponent,
      Identifiers::OutputComponent,
      Identifiers::SingleOutputComponent,
      Identifiers::MultipleOutputComponent,
      Identifiers::TransformComponent,
      String<char>("COM.KAVRO.STREAMENGINE.INTERFACE.CONTAINER"),
      String<char>("com.kavro.streamengine.interface.container "),
      String<char>("com.kavro.streamengine.interface.containe"),
      String<char>(""),
      String<char>(),
  };
  for (const String<char>& id : refused) {
    face = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(plugin->queryInterface(id, &face), ResultNoInterface) << id.toStdString();
    EXPECT_EQ(face, nullptr) << id.toStdString();
  }
  EXPECT_EQ(plugin->getReferenceCount(), 1);
  plugin->release();
}

TEST(Plugin, IdentifierTexts) {
  EXPECT_TRUE(Identifiers::ContainerInterface.equals("com.kavro.streamengine.interface.container"));
  EXPECT_TRUE(Identifiers::MultipleOutputComponent.equals(
      "com.kavro.streamengine.component.output.multiple"));
  EXPECT_TRUE(Identifiers::TransformComponent.equals("com.kavro.streamengine.component.transform"));
}

TEST(Plugin, DestroyingThroughTheContainerFaceDestroysTheWholeObject) {
  FakePluginHost host;
  Plugin* plugin = makePlugin(&host);
  void* face = nullptr;
  ASSERT_EQ(plugin->queryInterface(Identifiers::ContainerInterface, &face), ResultOk);
  // Bypasses the count and the notifications; the sanitizer run proves that
  // the whole object (not only the component part) is freed.
  delete static_cast<ContainerInterface*>(face);
  EXPECT_TRUE(host.log.calls().empty());
}

}  // namespace
}  // namespace Quarn
