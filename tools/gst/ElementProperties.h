// The properties both elements share: the script's location (the source's
// only), the module, the host's answers to the CodePage settings, the
// preferred language and whether comment lines are pushed.
#pragma once

#include <gst/gst.h>

#include <optional>
#include <string>

#include "CodePageSettings.h"

namespace QuarnGst {

/// The host's answer to "OverrideEmbedded".
enum OverrideEmbedded { kOverrideUnset, kOverrideFalse, kOverrideTrue };

/// Property ids. The parser has no location: its script comes from upstream.
enum Property {
  kPropertyLocation = 1,
  kPropertyPlugin,
  kPropertyOverrideEmbedded,
  kPropertyCodepage,
  kPropertyLanguage,
  kPropertyComments,
};

struct Properties {
  /// A path or a URL, as given.
  std::string location;
  /// The module to load; empty: the default search.
  std::string plugin;
  OverrideEmbedded overrideEmbedded = kOverrideUnset;
  std::optional<std::string> codepage;
  std::string language;
  bool comments = false;
};

/// Installs the shared properties on `object`, the location too when
/// `withLocation`.
void installProperties(GObjectClass* object, bool withLocation);

/// Stores `value` of property `id` in `properties`; false for an id that is
/// not one of them.
bool setProperty(Properties& properties, guint id, const GValue* value);
/// Reads property `id` into `value`; false for an id that is not one of them.
bool getProperty(const Properties& properties, guint id, GValue* value);

/// The host's answers to the two settings, from the properties.
QuarnHost::CodePageSettings settingsOf(const Properties& properties);

/// The enum type of override-embedded, for gst_type_mark_as_plugin_api.
GType overrideEmbeddedType();

}  // namespace QuarnGst
