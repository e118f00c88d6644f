// The framework's interface and component identifiers as framework strings,
// built when the library is loaded and released when it is unloaded.
#pragma once

#include "framework/String.h"

namespace Quarn::Identifiers {

extern const String<char> ContainerInterface;  // the only one this plug-in answers
extern const String<char> ComponentInterface;
extern const String<char> InputInterface;
extern const String<char> OutputInterface;
extern const String<char> TransformInterface;
extern const String<char> InputComponent;
extern const String<char> OutputComponent;
extern const String<char> SingleOutputComponent;
extern const String<char> MultipleOutputComponent;
extern const String<char> TransformComponent;

}  // namespace Quarn::Identifiers
