/* Checks that GStreamer plays a script through the plug-in by itself, as
 * decodebin and playbin plug our typefinder and parser.
 *
 *   playbin_check decode SCRIPT
 *     uridecodebin on the script's file URI, and decodebin fed the script's
 *     bytes by an appsrc (which names no file), give the buffers quarnssasrc
 *     gives: caps with codec_data, PTS, duration and payload, from the start
 *     and played backwards; both pipelines hold quarnssaparse.
 *   playbin_check frame VIDEO SCRIPT OUT.png [MS...]
 *     playbin plays VIDEO with the script as its suburi, paused after
 *     flushing seeks to each MS in turn and then to 5 s; the frame there,
 *     written to OUT.png, must differ from the same frame without the script
 *     in its lower third, and playbin must hold quarnssaparse.
 *
 * The element is found through GST_PLUGIN_PATH. */
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check_support.h"

/* ---- decodebin against the source element ---- */

static GstElement* build(const char* description) {
  GError* error = NULL;
  GstElement* pipeline = gst_parse_launch(description, &error);
  if (pipeline == NULL) {
    fail("cannot build \"%s\": %s", description, error != NULL ? error->message : "?");
    g_clear_error(&error);
  }
  return pipeline;
}

/* Feeds the whole file to the pipeline's appsrc "in", if it has one. */
static gboolean feed(GstElement* pipeline, const char* script) {
  GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
  if (in == NULL)
    return TRUE;
  gchar* bytes = NULL;
  gsize size = 0;
  const gboolean read = g_file_get_contents(script, &bytes, &size, NULL);
  if (!read)
    fail("cannot read %s", script);
  else
    gst_app_src_push_buffer(GST_APP_SRC(in), gst_buffer_new_wrapped(bytes, size));
  gst_app_src_end_of_stream(GST_APP_SRC(in));
  gst_object_unref(in);
  return read;
}

/* Every buffer the pipeline's appsink "sink" gets, forward or, with
 * `backward`, after a flushing seek to play the whole stream at rate -1;
 * `parser` is set when the pipeline held quarnssaparse. */
static Pulled playAll(const char* description, const char* script, gboolean backward,
                      gboolean* parser) {
  Pulled pulled = {NULL, NULL, 0, NULL};
  GstElement* pipeline = build(description);
  if (pipeline == NULL || !feed(pipeline, script))
    return pulled;
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  if (waitForPreroll(pipeline)) {
    GstElement* found = findByFactory(GST_BIN(pipeline), "quarnssaparse");
    *parser = found != NULL;
    if (found != NULL)
      gst_object_unref(found);
    if (backward && !gst_element_seek(pipeline, -1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                      GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, 0))
      fail("%s: the backward seek was refused", description);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    pullAll(sink, &pulled);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return pulled;
}

static void compareRuns(const char* what, const Pulled* expected, const Pulled* got) {
  if (got->caps == NULL || expected->caps == NULL || !gst_caps_is_equal(got->caps, expected->caps))
    fail("%s: caps differ from quarnssasrc's", what);
  if (got->count != expected->count) {
    fail("%s: %zu buffers, quarnssasrc gives %zu", what, got->count, expected->count);
    return;
  }
  for (size_t i = 0; i < got->count; ++i) {
    const Buffer* a = &expected->buffers[i];
    const Buffer* b = &got->buffers[i];
    if (a->pts != b->pts || a->duration != b->duration || strcmp(a->payload, b->payload) != 0) {
      fail("%s: buffer %zu is %" GST_TIME_FORMAT " \"%s\", quarnssasrc gives %" GST_TIME_FORMAT
           " \"%s\"",
           what, i, GST_TIME_ARGS(b->pts), b->payload, GST_TIME_ARGS(a->pts), a->payload);
      return;
    }
  }
}

static int decode(const char* script) {
  const char* kCaps = "application/x-ass;application/x-ssa";
  char* uri = gst_filename_to_uri(script, NULL);
  char* source =
      g_strdup_printf("quarnssasrc location=\"%s\" ! appsink name=sink sync=false", script);
  char* fromUri = g_strdup_printf(
      "uridecodebin uri=\"%s\" caps=\"%s\" ! appsink name=sink "
      "sync=false",
      uri, kCaps);
  char* fromBytes = g_strdup_printf(
      "appsrc name=in max-bytes=0 ! decodebin caps=\"%s\" ! appsink "
      "name=sink sync=false",
      kCaps);
  const char* descriptions[] = {fromUri, fromBytes};
  const char* names[] = {"uridecodebin", "appsrc ! decodebin"};
  for (int backward = 0; backward <= 1; ++backward) {
    gboolean unused = FALSE;
    Pulled expected = playAll(source, script, backward, &unused);
    if (expected.count == 0)
      fail("quarnssasrc gives no buffers%s", backward ? " backwards" : "");
    for (int i = 0; i < 2; ++i) {
      gboolean parser = FALSE;
      Pulled got = playAll(descriptions[i], script, backward, &parser);
      char* what = g_strdup_printf("%s%s", names[i], backward ? ", backwards" : "");
      if (!parser)
        fail("%s: the pipeline holds no quarnssaparse", what);
      compareRuns(what, &expected, &got);
      printf("%s: %zu buffers as quarnssasrc gives them\n", what, got.count);
      g_free(what);
      freePulled(&got);
    }
    freePulled(&expected);
  }
  g_free(uri);
  g_free(source);
  g_free(fromUri);
  g_free(fromBytes);
  return failureCount() == 0 ? 0 : 1;
}

/* ---- a frame through playbin ---- */

typedef struct {
  guint8* pixels; /* 8-bit grey, rows without padding */
  int width;
  int height;
} Frame;

/* Seeks the paused pipeline to `ms` and waits for it to settle. */
static gboolean seekTo(GstElement* playbin, gint64 ms) {
  if (!gst_element_seek_simple(playbin, GST_FORMAT_TIME,
                               GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE, ms * GST_MSECOND)) {
    fail("the seek to %" G_GINT64_FORMAT " ms was refused", ms);
    return FALSE;
  }
  return waitForPreroll(playbin);
}

/* The frame playbin shows after the seeks, with `script` as its suburi
 * (none when NULL); written to `png` when given. */
static Frame frameAt(const char* video, const char* script, const gint64* seeks, int count,
                     const char* png, gboolean* parser) {
  Frame frame = {NULL, 0, 0};
  GstElement* playbin = gst_element_factory_make("playbin", NULL);
  char* uri = gst_filename_to_uri(video, NULL);
  char* suburi = script != NULL ? gst_filename_to_uri(script, NULL) : NULL;
  GstElement* videoSink = gst_element_factory_make("fakesink", NULL);
  GstElement* audioSink = gst_element_factory_make("fakesink", NULL);
  g_object_set(playbin, "uri", uri, "video-sink", videoSink, "audio-sink", audioSink, NULL);
  if (suburi != NULL)
    g_object_set(playbin, "suburi", suburi, NULL);
  gst_element_set_state(playbin, GST_STATE_PAUSED);
  gboolean ok = waitForPreroll(playbin);
  for (int i = 0; ok && i < count; ++i)
    ok = seekTo(playbin, seeks[i]);
  if (ok)
    ok = seekTo(playbin, 5000);
  if (ok) {
    GstElement* found = findByFactory(GST_BIN(playbin), "quarnssaparse");
    *parser = found != NULL;
    if (found != NULL)
      gst_object_unref(found);
    GstCaps* grey = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "GRAY8", NULL);
    GstSample* sample = NULL;
    g_signal_emit_by_name(playbin, "convert-sample", grey, &sample);
    gst_caps_unref(grey);
    if (sample == NULL) {
      fail("playbin gives no frame at 5 s");
    } else {
      GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
      gst_structure_get_int(s, "width", &frame.width);
      gst_structure_get_int(s, "height", &frame.height);
      GstMapInfo map;
      GstBuffer* buffer = gst_sample_get_buffer(sample);
      gst_buffer_map(buffer, &map, GST_MAP_READ);
      const int stride = (frame.width + 3) & ~3; /* GRAY8 rows are padded to four bytes */
      frame.pixels = g_malloc((size_t)frame.width * (size_t)frame.height);
      for (int y = 0; y < frame.height; ++y)
        memcpy(frame.pixels + (size_t)y * (size_t)frame.width,
               map.data + (size_t)y * (size_t)stride, (size_t)frame.width);
      gst_buffer_unmap(buffer, &map);
      gst_sample_unref(sample);
    }
    if (png != NULL) {
      GstCaps* pngCaps = gst_caps_new_empty_simple("image/png");
      GstSample* image = NULL;
      g_signal_emit_by_name(playbin, "convert-sample", pngCaps, &image);
      gst_caps_unref(pngCaps);
      if (image != NULL) {
        GstMapInfo map;
        gst_buffer_map(gst_sample_get_buffer(image), &map, GST_MAP_READ);
        if (!g_file_set_contents(png, (const gchar*)map.data, (gssize)map.size, NULL))
          fail("cannot write %s", png);
        gst_buffer_unmap(gst_sample_get_buffer(image), &map);
        gst_sample_unref(image);
      }
    }
  }
  gst_element_set_state(playbin, GST_STATE_NULL);
  gst_object_unref(playbin);
  g_free(uri);
  g_free(suburi);
  return frame;
}

/* Pixels of the lower third that differ between the frames; -1 when they
 * cannot be compared. The bottom-aligned line of the script at 5 s sits
 * there. */
static long lowerThirdDifference(const Frame* with, const Frame* without) {
  if (with->pixels == NULL || without->pixels == NULL || with->width != without->width ||
      with->height != without->height)
    return -1;
  long lower = 0;
  for (int y = with->height * 2 / 3; y < with->height; ++y) {
    for (int x = 0; x < with->width; ++x) {
      const size_t i = (size_t)y * (size_t)with->width + (size_t)x;
      lower += abs((int)with->pixels[i] - (int)without->pixels[i]) > 40;
    }
  }
  return lower;
}

/* assrender passes a frame through untouched while its subtitle track is
 * being set up, or re-armed after a flush that reached the video first: a
 * paused player shows such a frame bare, a playing one the next frame with
 * the subtitle. So the frame at 5 s is asked for up to three times. */
static int frame(const char* video, const char* script, const char* png, const gint64* seeks,
                 int count) {
  gboolean unused = FALSE;
  Frame without = frameAt(video, NULL, seeks, count, NULL, &unused);
  long lower = -1;
  int attempt = 0;
  while (attempt < 3 && lower < 200) {
    ++attempt;
    gboolean parser = FALSE;
    Frame with = frameAt(video, script, seeks, count, png, &parser);
    if (!parser)
      fail("playbin holds no quarnssaparse");
    lower = lowerThirdDifference(&with, &without);
    g_free(with.pixels);
    if (lower < 0 || !parser)
      break;
  }
  if (lower < 0)
    fail("the frames at 5 s cannot be compared");
  else if (lower < 200)
    fail("the subtitle is not in the lower third of the frame at 5 s (%ld pixels differ)", lower);
  else
    printf(
        "%s: %ld pixels of the lower third differ from the frame without the script "
        "(attempt %d)\n",
        png, lower, attempt);
  g_free(without.pixels);
  return failureCount() == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  g_set_prgname("playbin_check");
  if (argc == 3 && strcmp(argv[1], "decode") == 0)
    return decode(argv[2]);
  if (argc >= 5 && strcmp(argv[1], "frame") == 0) {
    gint64 seeks[16];
    int count = 0;
    for (int i = 5; i < argc && count < 16; ++i)
      seeks[count++] = g_ascii_strtoll(argv[i], NULL, 10);
    return frame(argv[2], argv[3], argv[4], seeks, count);
  }
  fprintf(stderr,
          "usage: playbin_check decode SCRIPT\n"
          "       playbin_check frame VIDEO SCRIPT OUT.png [MS...]\n");
  return 2;
}
