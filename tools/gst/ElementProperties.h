// The properties both elements share: the script's location (the source's
// only), the module, the host's answers to the CodePage settings, the
// preferred language and whether comment lines are pushed.
#pragma once

#include <gst/gst.h>

#include <mutex>
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
  kPropertyTraceFile,
};

/// Legacy scripts read right by default, as GStreamer's own subtitle parser
/// reads them.
constexpr const char* kDefaultCodepage = "auto";

struct Properties {
  /// A path or a URL, as given.
  std::string location;
  /// The module to load; empty: the default search.
  std::string plugin;
  OverrideEmbedded overrideEmbedded = kOverrideUnset;
  /// None when unset; "" answers an empty name, as unset does for the
  /// plug-in.
  std::optional<std::string> codepage = std::string(kDefaultCodepage);
  std::string language;
  bool comments = false;
  /// Where every call across the plug-in boundary is written ("-": standard
  /// error); empty for no trace.
  std::string traceFile;
};

/// Installs the shared properties on `object`, the location too when
/// `withLocation`.
void installProperties(GObjectClass* object, bool withLocation);

/// An element's properties, set and read from any thread.
class ElementSettings {
 public:
  /// A copy to work with, taken at once.
  Properties snapshot() const;
  /// The GObject set_property and get_property of the shared properties;
  /// an id that is not one of them is warned of.
  void set(GObject* object, guint id, const GValue* value, GParamSpec* spec);
  void get(GObject* object, guint id, GValue* value, GParamSpec* spec) const;
  /// The location, for a URI handler.
  std::string location() const;
  void setLocation(std::string location);

 private:
  mutable std::mutex lock_;
  Properties properties_;
};

/// The host's answers to the two settings, from the properties.
QuarnHost::CodePageSettings settingsOf(const Properties& properties);

/// The enum type of override-embedded, for gst_type_mark_as_plugin_api.
GType overrideEmbeddedType();

}  // namespace QuarnGst
