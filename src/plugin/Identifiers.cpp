#include "plugin/Identifiers.h"

#include "framework/Plugin.h"

namespace Quarn::Identifiers {

const String<char> ContainerInterface(kContainerInterfaceId);
const String<char> ComponentInterface(kComponentInterfaceId);
const String<char> InputInterface(kInputInterfaceId);
const String<char> OutputInterface(kOutputInterfaceId);
const String<char> TransformInterface(kTransformInterfaceId);
const String<char> InputComponent(kInputComponentId);
const String<char> OutputComponent(kOutputComponentId);
const String<char> SingleOutputComponent(kSingleOutputComponentId);
const String<char> MultipleOutputComponent(kMultipleOutputComponentId);
const String<char> TransformComponent(kTransformComponentId);

}  // namespace Quarn::Identifiers
