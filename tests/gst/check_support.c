#include "check_support.h"

#include <gst/app/gstappsink.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

void fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fprintf(stderr, "%s: ", g_get_prgname() != NULL ? g_get_prgname() : "check");
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  ++failures;
}

int failureCount(void) {
  return failures;
}

gboolean waitForPreroll(GstElement* pipeline) {
  const GstStateChangeReturn changed = gst_element_get_state(pipeline, NULL, NULL, 10 * GST_SECOND);
  if (changed != GST_STATE_CHANGE_FAILURE && changed != GST_STATE_CHANGE_ASYNC)
    return TRUE;
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
  if (message != NULL) {
    GError* error = NULL;
    gst_message_parse_error(message, &error, NULL);
    fail("pipeline error: %s", error->message);
    g_error_free(error);
    gst_message_unref(message);
  } else {
    fail("the pipeline did not preroll");
  }
  gst_object_unref(bus);
  return FALSE;
}

void pullAll(GstElement* sink, Pulled* pulled) {
  size_t capacity = 0;
  for (;;) {
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
    if (sample == NULL)
      break;
    if (pulled->caps == NULL && gst_sample_get_caps(sample) != NULL)
      pulled->caps = gst_caps_ref(gst_sample_get_caps(sample));
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (pulled->count == capacity) {
      capacity = capacity == 0 ? 64 : capacity * 2;
      pulled->buffers = g_renew(Buffer, pulled->buffers, capacity);
    }
    Buffer* b = &pulled->buffers[pulled->count++];
    b->pts = GST_BUFFER_PTS(buffer);
    b->duration = GST_BUFFER_DURATION(buffer);
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    b->payload = g_strndup((const char*)map.data, map.size);
    gst_buffer_unmap(buffer, &map);
    gst_sample_unref(sample);
  }
  if (!gst_app_sink_is_eos(GST_APP_SINK(sink)))
    fail("no end of stream after %zu buffers", pulled->count);
}

void collectWarnings(GstElement* pipeline, Pulled* pulled) {
  if (pulled->warnings == NULL)
    pulled->warnings = g_ptr_array_new_with_free_func(g_free);
  GstBus* bus = gst_element_get_bus(pipeline);
  for (GstMessage* message; (message = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING)) != NULL;) {
    GError* warning = NULL;
    gst_message_parse_warning(message, &warning, NULL);
    g_ptr_array_add(pulled->warnings, g_strdup(warning->message));
    g_error_free(warning);
    gst_message_unref(message);
  }
  gst_object_unref(bus);
}

void freePulled(Pulled* pulled) {
  for (size_t i = 0; i < pulled->count; ++i)
    g_free(pulled->buffers[i].payload);
  g_free(pulled->buffers);
  if (pulled->caps != NULL)
    gst_caps_unref(pulled->caps);
  if (pulled->warnings != NULL)
    g_ptr_array_unref(pulled->warnings);
  memset(pulled, 0, sizeof *pulled);
}

GstElement* findByFactory(GstBin* bin, const char* name) {
  GstIterator* it = gst_bin_iterate_recurse(bin);
  GValue item = G_VALUE_INIT;
  GstElement* found = NULL;
  while (found == NULL && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    GstElement* element = g_value_get_object(&item);
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory != NULL && strcmp(gst_plugin_feature_get_name(factory), name) == 0)
      found = gst_object_ref(element);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return found;
}
