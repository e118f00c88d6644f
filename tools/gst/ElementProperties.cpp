#include "ElementProperties.h"

namespace QuarnGst {

GType overrideEmbeddedType() {
  static gsize type = 0;
  if (g_once_init_enter(&type)) {
    static const GEnumValue values[] = {
        {kOverrideUnset, "No answer: a byte-order mark is ignored, as with true", "unset"},
        {kOverrideFalse, "A byte-order mark decides the encoding", "false"},
        {kOverrideTrue, "The code page overrides a byte-order mark", "true"},
        {0, nullptr, nullptr}};
    g_once_init_leave(&type, g_enum_register_static("GstQuarnSsaOverrideEmbedded", values));
  }
  return type;
}

void installProperties(GObjectClass* object, bool withLocation) {
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_MUTABLE_READY);
  if (withLocation) {
    g_object_class_install_property(
        object, kPropertyLocation,
        g_param_spec_string("location", "Location", "The script: a path or a file URI", nullptr,
                            flags));
  }
  g_object_class_install_property(
      object, kPropertyPlugin,
      g_param_spec_string("plugin", "Plug-in module",
                          "The quarn-ssa module to load (default: the installed plug-in folder, "
                          "then beside this element)",
                          nullptr, flags));
  g_object_class_install_property(
      object, kPropertyOverrideEmbedded,
      g_param_spec_enum("override-embedded", "Override embedded",
                        "The host's answer to CodePage/OverrideEmbedded: false lets a "
                        "byte-order mark decide the encoding",
                        overrideEmbeddedType(), kOverrideUnset, flags));
  g_object_class_install_property(
      object, kPropertyCodepage,
      g_param_spec_string("codepage", "Code page",
                          "The host's answer to CodePage/Name, a converter name such as "
                          "windows-1252 or UTF-16LE; auto: detected for a script that is not "
                          "UTF-8 and has no byte-order mark; empty or unset: no answer, UTF-8",
                          kDefaultCodepage, flags));
  g_object_class_install_property(
      object, kPropertyLanguage,
      g_param_spec_string("language", "Language", "The preferred language, such as en or pt-BR", "",
                          flags));
  g_object_class_install_property(
      object, kPropertyComments,
      g_param_spec_boolean("comments", "Comments",
                           "Push Comment and the other non-Dialogue event lines too", FALSE,
                           flags));
  g_object_class_install_property(
      object, kPropertyTraceFile,
      g_param_spec_string("trace-file", "Trace file",
                          "Write every call across the plug-in boundary to this file as JSON "
                          "Lines (-: standard error; unset: no trace)",
                          nullptr, flags));
}

namespace {

bool setProperty(Properties& p, guint id, const GValue* value) {
  auto text = [value] {
    const gchar* s = g_value_get_string(value);
    return std::string(s != nullptr ? s : "");
  };
  switch (id) {
    case kPropertyLocation:
      p.location = text();
      return true;
    case kPropertyPlugin:
      p.plugin = text();
      return true;
    case kPropertyOverrideEmbedded:
      p.overrideEmbedded = static_cast<OverrideEmbedded>(g_value_get_enum(value));
      return true;
    case kPropertyCodepage:
      if (g_value_get_string(value) == nullptr)
        p.codepage.reset();
      else
        p.codepage = text();
      return true;
    case kPropertyLanguage:
      p.language = text();
      return true;
    case kPropertyComments:
      p.comments = g_value_get_boolean(value);
      return true;
    case kPropertyTraceFile:
      p.traceFile = text();
      return true;
    default:
      return false;
  }
}

bool getProperty(const Properties& p, guint id, GValue* value) {
  switch (id) {
    case kPropertyLocation:
      g_value_set_string(value, p.location.empty() ? nullptr : p.location.c_str());
      return true;
    case kPropertyPlugin:
      g_value_set_string(value, p.plugin.empty() ? nullptr : p.plugin.c_str());
      return true;
    case kPropertyOverrideEmbedded:
      g_value_set_enum(value, p.overrideEmbedded);
      return true;
    case kPropertyCodepage:
      g_value_set_string(value, p.codepage ? p.codepage->c_str() : nullptr);
      return true;
    case kPropertyLanguage:
      g_value_set_string(value, p.language.c_str());
      return true;
    case kPropertyComments:
      g_value_set_boolean(value, p.comments);
      return true;
    case kPropertyTraceFile:
      g_value_set_string(value, p.traceFile.empty() ? nullptr : p.traceFile.c_str());
      return true;
    default:
      return false;
  }
}

}  // namespace

Properties ElementSettings::snapshot() const {
  std::lock_guard<std::mutex> guard(lock_);
  return properties_;
}

void ElementSettings::set(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!setProperty(properties_, id, value))
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void ElementSettings::get(GObject* object, guint id, GValue* value, GParamSpec* spec) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (!getProperty(properties_, id, value))
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

std::string ElementSettings::location() const {
  std::lock_guard<std::mutex> guard(lock_);
  return properties_.location;
}

void ElementSettings::setLocation(std::string location) {
  std::lock_guard<std::mutex> guard(lock_);
  properties_.location = std::move(location);
}

QuarnHost::CodePageSettings settingsOf(const Properties& properties) {
  std::optional<bool> overrideEmbedded;
  if (properties.overrideEmbedded != kOverrideUnset)
    overrideEmbedded = properties.overrideEmbedded == kOverrideTrue;
  return QuarnHost::CodePageSettings{overrideEmbedded, properties.codepage};
}

}  // namespace QuarnGst
