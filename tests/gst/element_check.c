/* Checks quarnssasrc against the player, through real GStreamer pipelines.
 *
 *   element_check check PLAYER SCRIPT [override-embedded=false] [never-shown=N]
 *     caps and codec_data against the player's --header output (the player
 *     detecting code pages, as the element does by default); every buffer
 *     (PTS, duration, payload) against the player's JSON Lines, with and
 *     without comments; after a flushing seek to the middle; and a reverse
 *     playback, which must deliver the entries in reverse order. Each
 *     pipeline must post one warning that N entries can never be shown, or
 *     none without never-shown; the reverse playback must deliver every
 *     entry the player reads forward even when the player, stopped at
 *     such an entry, reads none backwards.
 *   element_check stress PLAYER SCRIPT [decode]
 *     200 flushing seeks at random times and in both directions while the
 *     element pushes, then the whole script again from the start; with
 *     `decode` through uridecodebin and the parser it plugs.
 *   element_check refuse SCRIPT TEXT [PROPERTIES]
 *     the element, with PROPERTIES set (e.g. "codepage="), refuses SCRIPT
 *     with an error message that says TEXT.
 *   element_check info SCRIPT TEXT
 *     played to its end, the element posts one info message that says TEXT
 *     (the code page it chose), or none when TEXT is empty.
 *   element_check render SCRIPT OUT.png
 *     burns SCRIPT into a videotestsrc frame at 5 s with assrender, writes
 *     it to OUT.png, and checks that the lower part of the frame differs from
 *     the same frame without subtitles.
 *
 * The element is found through GST_PLUGIN_PATH. The block payload is worked
 * out here on its own, from the events Format line of the player's header. */
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check_support.h"

/* ---- what the player says ---- */

typedef struct {
  guint64 timestamp;
  guint64 duration;
  char* text;
} Entry;

typedef struct {
  char* header;
  Entry* entries;
  size_t count;
  /* Reading stopped at an entry that can never fall due. */
  gboolean stalled;
} PlayerOutput;

static void appendUtf8(GString* out, unsigned code) {
  char bytes[6];
  const int n = g_unichar_to_utf8(code, bytes);
  g_string_append_len(out, bytes, n);
}

/* The JSON string starting after its opening quote at *p; *p ends after the
 * closing quote. */
static char* jsonString(const char** p) {
  GString* out = g_string_new(NULL);
  const char* s = *p;
  while (*s != '\0' && *s != '"') {
    if (*s != '\\') {
      g_string_append_c(out, *s++);
      continue;
    }
    ++s;
    switch (*s) {
      case 'n':
        g_string_append_c(out, '\n');
        break;
      case 'r':
        g_string_append_c(out, '\r');
        break;
      case 't':
        g_string_append_c(out, '\t');
        break;
      case 'b':
        g_string_append_c(out, '\b');
        break;
      case 'f':
        g_string_append_c(out, '\f');
        break;
      case 'u': {
        unsigned code = (unsigned)strtoul((char[]){s[1], s[2], s[3], s[4], 0}, NULL, 16);
        s += 4;
        if (code >= 0xD800 && code < 0xDC00 && s[1] == '\\' && s[2] == 'u') {
          const unsigned low = (unsigned)strtoul((char[]){s[3], s[4], s[5], s[6], 0}, NULL, 16);
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          s += 6;
        }
        if (code == 0)
          g_string_append_c(out, '\0');
        else
          appendUtf8(out, code);
        break;
      }
      default:
        g_string_append_c(out, *s);
        break;
    }
    ++s;
  }
  *p = *s == '"' ? s + 1 : s;
  return g_string_free(out, FALSE);
}

static guint64 jsonNumber(const char* line, const char* name) {
  const char* at = strstr(line, name);
  return at != NULL ? g_ascii_strtoull(at + strlen(name), NULL, 10) : 0;
}

static PlayerOutput runPlayer(const char* player, const char* arguments, const char* script) {
  PlayerOutput output = {NULL, NULL, 0, FALSE};
  char* command = g_strdup_printf("'%s' --json --header %s '%s'", player, arguments, script);
  FILE* pipe = popen(command, "r");
  g_free(command);
  if (pipe == NULL) {
    fail("cannot run the player");
    return output;
  }
  size_t capacity = 0;
  char* line = NULL;
  ssize_t length;
  size_t lineCapacity = 0;
  while ((length = getline(&line, &lineCapacity, pipe)) > 0) {
    const char* text = strstr(line, "\"text\":\"");
    if (strstr(line, "{\"event\":\"header\"") == line && text != NULL) {
      text += 8;
      output.header = jsonString(&text);
    } else if (strstr(line, "{\"event\":\"chunk\"") == line && text != NULL) {
      if (output.count == capacity) {
        capacity = capacity == 0 ? 64 : capacity * 2;
        output.entries = g_renew(Entry, output.entries, capacity);
      }
      Entry* entry = &output.entries[output.count++];
      entry->timestamp = jsonNumber(line, "\"timestamp\":");
      entry->duration = jsonNumber(line, "\"duration\":");
      text += 8;
      entry->text = jsonString(&text);
    } else if (strstr(line, "{\"event\":\"end\"") == line) {
      output.stalled = strstr(line, "\"stalled\":true") != NULL;
    }
  }
  free(line);
  if (pclose(pipe) != 0)
    fail("the player failed on %s", script);
  return output;
}

static void freePlayerOutput(PlayerOutput* output) {
  for (size_t i = 0; i < output->count; ++i)
    g_free(output->entries[i].text);
  g_free(output->entries);
  g_free(output->header);
}

/* ---- the block a GStreamer SSA consumer expects ---- */

typedef struct {
  char** columns;
  int count;
  int start;
  int end;
} Format;

static Format formatOf(const char* header) {
  Format format = {NULL, 0, 1, 2};
  const char* last = NULL;
  for (const char* p = header; (p = strstr(p, "Format:")) != NULL; p += 7)
    last = p + 7;
  char* line = g_strndup(last, strcspn(last, "\r\n"));
  format.columns = g_strsplit(line, ",", -1);
  g_free(line);
  format.count = (int)g_strv_length(format.columns);
  for (int i = 0; i < format.count; ++i) {
    g_strstrip(format.columns[i]);
    if (g_ascii_strcasecmp(format.columns[i], "Start") == 0)
      format.start = i;
    else if (g_ascii_strcasecmp(format.columns[i], "End") == 0)
      format.end = i;
  }
  return format;
}

static char* expectedBlock(const char* line, const Format* format, size_t readOrder) {
  const char* fields = strchr(line, ':');
  fields = fields != NULL ? fields + 1 : line;
  while (*fields == ' ')
    ++fields;
  GString* block = g_string_new(NULL);
  g_string_append_printf(block, "%zu", readOrder);
  const char* p = fields;
  for (int column = 0; column < format->count && p != NULL; ++column) {
    const char* comma = column + 1 < format->count ? strchr(p, ',') : NULL;
    const size_t length = comma != NULL ? (size_t)(comma - p) : strlen(p);
    if (column != format->start && column != format->end) {
      g_string_append_c(block, ',');
      g_string_append_len(block, p, (gssize)length);
    }
    p = comma != NULL ? comma + 1 : NULL;
  }
  return g_string_free(block, FALSE);
}

static gboolean isDialogue(const char* line) {
  return strncmp(line, "Dialogue:", 9) == 0;
}

/* ---- what the element pushes ---- */

static GstElement* launch(const char* script, const char* properties, GstElement** sink) {
  char* description = g_strdup_printf(
      "quarnssasrc location=\"%s\" %s ! appsink name=sink sync=false", script, properties);
  GError* error = NULL;
  GstElement* pipeline = gst_parse_launch(description, &error);
  if (pipeline == NULL) {
    fail("cannot build \"%s\": %s", description, error != NULL ? error->message : "?");
    g_clear_error(&error);
    g_free(description);
    return NULL;
  }
  g_free(description);
  *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  return pipeline;
}

/* Plays the pipeline to the end; a seek first when `rate` is not 0. */
static Pulled play(const char* script, const char* properties, double rate, GstClockTime seekTo) {
  Pulled pulled = {NULL, NULL, 0, NULL};
  GstElement* sink = NULL;
  GstElement* pipeline = launch(script, properties, &sink);
  if (pipeline == NULL)
    return pulled;
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  if (waitForPreroll(pipeline)) {
    if (rate != 0) {
      const gboolean seeked =
          rate > 0 ? gst_element_seek(pipeline, rate, GST_FORMAT_TIME,
                                      GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE,
                                      GST_SEEK_TYPE_SET, (gint64)seekTo, GST_SEEK_TYPE_NONE, 0)
                   : gst_element_seek(pipeline, rate, GST_FORMAT_TIME,
                                      GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE,
                                      GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, 0);
      if (!seeked)
        fail("the seek (rate %g) was refused", rate);
      waitForPreroll(pipeline);
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    pullAll(sink, &pulled);
  }
  collectWarnings(pipeline, &pulled);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return pulled;
}

/* Each pipeline says once, when it starts, how many entries of the script
 * can never be shown, and says nothing of the kind when there are none. */
static void checkNeverShownWarning(const char* what, const Pulled* pulled, const char* script,
                                   int neverShown) {
  char* name = g_path_get_basename(script);
  char* expected = g_strdup_printf(
      "%d entries of %s can never be shown: they start after 596:31:24.147, ", neverShown, name);
  guint said = 0, right = 0;
  for (guint i = 0; pulled->warnings != NULL && i < pulled->warnings->len; ++i) {
    const char* warning = g_ptr_array_index(pulled->warnings, i);
    said += strstr(warning, "can never be shown") != NULL;
    right += strncmp(warning, expected, strlen(expected)) == 0;
  }
  if (said != (neverShown > 0 ? 1u : 0u) || right != said)
    fail("%s: %u warnings of entries that can never be shown, %u of them \"%s...\"", what, said,
         right, expected);
  g_free(expected);
  g_free(name);
}

/* The buffers must be the player's entries in order, ReadOrder being each
 * entry's place in start-time order: `firstPlace` for the first, then one up
 * (`step` 1) or down (-1). Entries that end before `segmentStart` are not
 * shown in the segment, and a sink would drop them. */
static void compare(const char* what, const Pulled* pulled, const Entry* entries, size_t count,
                    size_t firstPlace, int step, const Format* format, gboolean comments,
                    guint64 segmentStart) {
  size_t b = 0;
  for (size_t i = 0; i < count; ++i) {
    const Entry* entry = &entries[i];
    if (!comments && !isDialogue(entry->text))
      continue;
    const guint64 end = (entry->timestamp + entry->duration) * GST_MSECOND;
    if (end < segmentStart || (entry->duration > 0 && end == segmentStart))
      continue;
    const size_t place = step > 0 ? firstPlace + i : firstPlace - i;
    if (b >= pulled->count) {
      fail("%s: %zu buffers, the player has more entries (next: %s)", what, pulled->count,
           entry->text);
      return;
    }
    const Buffer* buffer = &pulled->buffers[b++];
    char* expected = expectedBlock(entry->text, format, place);
    if (buffer->pts != entry->timestamp * GST_MSECOND ||
        buffer->duration != entry->duration * GST_MSECOND || strcmp(buffer->payload, expected) != 0)
      fail("%s: buffer %zu is %" GST_TIME_FORMAT "+%" GST_TIME_FORMAT
           " \"%s\", expected %" G_GUINT64_FORMAT "+%" G_GUINT64_FORMAT " ms \"%s\"",
           what, b - 1, GST_TIME_ARGS(buffer->pts), GST_TIME_ARGS(buffer->duration),
           buffer->payload, entry->timestamp, entry->duration, expected);
    g_free(expected);
  }
  if (b != pulled->count)
    fail("%s: %zu buffers, the player has %zu entries", what, pulled->count, b);
}

static int check(const char* player, const char* script, int extraCount, char** extra) {
  gboolean overrideFalse = FALSE;
  int neverShown = 0;
  for (int i = 0; i < extraCount; ++i) {
    if (strcmp(extra[i], "override-embedded=false") == 0)
      overrideFalse = TRUE;
    else if (strncmp(extra[i], "never-shown=", 12) == 0)
      neverShown = atoi(extra[i] + 12);
    else
      fail("unknown option %s", extra[i]);
  }
  /* The element detects code pages by default; the player when asked. */
  const char* playerArguments =
      overrideFalse ? "--codepage auto --override-embedded false" : "--codepage auto";
  const char* properties = overrideFalse ? "override-embedded=false" : "";
  PlayerOutput all = runPlayer(player, playerArguments, script);
  if (all.header == NULL || all.count == 0) {
    fail("the player gave no header or no entries for %s", script);
    freePlayerOutput(&all);
    return 1;
  }
  const Format format = formatOf(all.header);
  char* withComments = g_strdup_printf("%s comments=true", properties);

  /* Everything, comments included, from the start. */
  Pulled pulled = play(script, withComments, 0, 0);
  if (pulled.caps == NULL) {
    fail("%s: no caps", script);
  } else {
    const GstStructure* s = gst_caps_get_structure(pulled.caps, 0);
    const gboolean advanced = strstr(all.header, "ScriptType: v4.00+") != NULL ||
                              strstr(all.header, "[V4+ Styles]") != NULL;
    const char* name = advanced ? "application/x-ass" : "application/x-ssa";
    if (strcmp(gst_structure_get_name(s), name) != 0)
      fail("%s: caps %s, expected %s", script, gst_structure_get_name(s), name);
    const GValue* value = gst_structure_get_value(s, "codec_data");
    GstBuffer* codec = value != NULL ? gst_value_get_buffer(value) : NULL;
    if (codec == NULL) {
      fail("%s: no codec_data", script);
    } else {
      GstMapInfo map;
      gst_buffer_map(codec, &map, GST_MAP_READ);
      if (map.size != strlen(all.header) || memcmp(map.data, all.header, map.size) != 0)
        fail("%s: codec_data (%zu bytes) is not the player's header (%zu bytes)", script, map.size,
             strlen(all.header));
      gst_buffer_unmap(codec, &map);
    }
  }
  compare("with comments", &pulled, all.entries, all.count, 0, 1, &format, TRUE, 0);
  checkNeverShownWarning("with comments", &pulled, script, neverShown);
  freePulled(&pulled);
  if (all.stalled != (neverShown > 0))
    fail("%s: the player %s at an entry that can never fall due", script,
         all.stalled ? "stopped" : "did not stop");

  /* Dialogue only, the default. */
  pulled = play(script, properties, 0, 0);
  compare("dialogue only", &pulled, all.entries, all.count, 0, 1, &format, FALSE, 0);
  checkNeverShownWarning("dialogue only", &pulled, script, neverShown);
  freePulled(&pulled);

  /* A flushing seek to the middle: the player's --seek reads the same. */
  /* Halfway through the script's time. */
  guint64 last = 0;
  for (size_t i = 0; i < all.count; ++i) {
    if (all.entries[i].timestamp + all.entries[i].duration > last)
      last = all.entries[i].timestamp + all.entries[i].duration;
  }
  const guint64 middle = (all.entries[0].timestamp + last) / 2;
  char* seekArguments = g_strdup_printf("%s --seek %" G_GUINT64_FORMAT, playerArguments, middle);
  PlayerOutput afterSeek = runPlayer(player, seekArguments, script);
  pulled = play(script, withComments, 1.0, middle * GST_MSECOND);
  compare("after a seek to the middle", &pulled, afterSeek.entries, afterSeek.count,
          all.count - afterSeek.count, 1, &format, TRUE, middle * GST_MSECOND);
  checkNeverShownWarning("after a seek to the middle", &pulled, script, neverShown);
  if (pulled.count == 0 || pulled.count >= all.count)
    fail("%s: %zu of %zu entries after a seek to %" G_GUINT64_FORMAT " ms: not the middle", script,
         pulled.count, all.count, middle);
  freePulled(&pulled);

  /* Backwards: the forward order reversed, which the player's --rate -1000
   * reads too, unless it stops at once at an entry that can never fall due. */
  Entry* reversed = g_new(Entry, all.count);
  for (size_t i = 0; i < all.count; ++i)
    reversed[i] = all.entries[all.count - 1 - i];
  char* reverseArguments = g_strdup_printf("%s --rate -1000", playerArguments);
  PlayerOutput backwards = runPlayer(player, reverseArguments, script);
  const size_t playerBackwards = all.stalled ? 0 : all.count;
  if (backwards.count != playerBackwards)
    fail("%s: the player reads %zu entries backwards, expected %zu", script, backwards.count,
         playerBackwards);
  for (size_t i = 0; i < backwards.count && i < all.count; ++i) {
    if (strcmp(backwards.entries[i].text, reversed[i].text) != 0)
      fail("%s: backward entry %zu is not forward entry %zu", script, i, all.count - 1 - i);
  }
  pulled = play(script, withComments, -1.0, 0);
  compare("played backwards", &pulled, reversed, all.count, all.count - 1, -1, &format, TRUE, 0);
  checkNeverShownWarning("played backwards", &pulled, script, neverShown);
  freePulled(&pulled);
  g_free(reversed);

  printf("%s: %zu entries; caps, forward, dialogue only, seek to %" G_GUINT64_FORMAT
         " ms (%zu entries) and backwards checked\n",
         script, all.count, middle, afterSeek.count);
  g_free(withComments);
  g_free(seekArguments);
  g_free(reverseArguments);
  g_strfreev(format.columns);
  freePlayerOutput(&all);
  freePlayerOutput(&afterSeek);
  freePlayerOutput(&backwards);
  return failureCount() == 0 ? 0 : 1;
}

/* ---- burning a script into video ---- */

static const char* kVideo =
    "videotestsrc pattern=smpte75 num-buffers=1 timestamp-offset=5000000000 "
    "! video/x-raw,width=640,height=480,framerate=25/1";

static gboolean runToEnd(const char* description) {
  GError* error = NULL;
  GstElement* pipeline = gst_parse_launch(description, &error);
  if (pipeline == NULL) {
    fail("cannot build \"%s\": %s", description, error != NULL ? error->message : "?");
    g_clear_error(&error);
    return FALSE;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message =
      gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND, GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
  gboolean ok = message != NULL && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message != NULL && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* e = NULL;
    gst_message_parse_error(message, &e, NULL);
    fail("\"%s\": %s", description, e->message);
    g_error_free(e);
  } else if (message == NULL) {
    fail("\"%s\" did not finish", description);
  }
  if (message != NULL)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

/* The PNG's pixels as 8-bit grey, or NULL. */
static guint8* greyPixels(const char* png, int* width, int* height) {
  char* description = g_strdup_printf(
      "filesrc location=\"%s\" ! pngdec ! videoconvert ! video/x-raw,format=GRAY8 "
      "! appsink name=sink",
      png);
  GError* error = NULL;
  GstElement* pipeline = gst_parse_launch(description, &error);
  g_free(description);
  if (pipeline == NULL) {
    g_clear_error(&error);
    return NULL;
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
  guint8* pixels = NULL;
  if (sample != NULL) {
    GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
    gst_structure_get_int(s, "width", width);
    gst_structure_get_int(s, "height", height);
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    /* Rows of GRAY8 are padded to four bytes. */
    const int stride = (*width + 3) & ~3;
    pixels = g_malloc((size_t)*width * (size_t)*height);
    for (int y = 0; y < *height; ++y)
      memcpy(pixels + (size_t)y * (size_t)*width, map.data + (size_t)y * (size_t)stride,
             (size_t)*width);
    gst_buffer_unmap(buffer, &map);
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return pixels;
}

/* Pixels of the lower third of `out` that differ from `plain`, the frame
 * without subtitles; -1 when the two cannot be compared. The bottom-aligned
 * line of the script at 5 s sits there. */
static long lowerThirdDifference(const char* out, const char* plain) {
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  guint8* with = greyPixels(out, &w1, &h1);
  guint8* without = greyPixels(plain, &w2, &h2);
  long lower = -1;
  if (with != NULL && without != NULL && w1 == w2 && h1 == h2 && w1 != 0) {
    lower = 0;
    for (int y = h1 * 2 / 3; y < h1; ++y) {
      for (int x = 0; x < w1; ++x) {
        const size_t i = (size_t)y * (size_t)w1 + (size_t)x;
        lower += abs((int)with[i] - (int)without[i]) > 40;
      }
    }
  }
  g_free(with);
  g_free(without);
  return lower;
}

/* assrender passes the frame through untouched when it comes before the
 * renderer has set up the subtitle track from the caps, which takes it a
 * few milliseconds: the render is tried up to three times. */
static int render(const char* script, const char* out) {
  char* plain = g_strdup_printf("%s.plain.png", out);
  char* burnt = g_strdup_printf(
      "quarnssasrc location=\"%s\" ! r.text_sink %s ! assrender name=r ! videoconvert "
      "! pngenc ! filesink location=\"%s\"",
      script, kVideo, out);
  char* bare =
      g_strdup_printf("%s ! videoconvert ! pngenc ! filesink location=\"%s\"", kVideo, plain);
  if (runToEnd(bare)) {
    long lower = -1;
    int attempt = 0;
    while (attempt < 3 && lower < 500 && runToEnd(burnt)) {
      ++attempt;
      lower = lowerThirdDifference(out, plain);
      if (lower < 0)
        break;
    }
    if (lower < 0)
      fail("cannot compare %s with %s", out, plain);
    else if (lower < 500)
      fail("%s: the subtitle is not in the lower part of the frame (%ld pixels differ)", out,
           lower);
    else
      printf("%s: %ld pixels differ in the lower third (attempt %d)\n", out, lower, attempt);
  }
  g_free(plain);
  g_free(burnt);
  g_free(bare);
  return failureCount() == 0 ? 0 : 1;
}

/* ---- seeks while buffers flow ---- */

/* Flushing seeks from this thread, at random times and in both directions,
 * while the streaming thread pushes; after each a few buffers are pulled and
 * must belong to the new segment's direction. A last seek to the start must
 * then deliver the whole script again. */
/* With `decode`, the same through uridecodebin, which plugs the parser;
 * that one pushes no comment lines. */
static int stress(const char* player, const char* script, gboolean decode) {
  PlayerOutput all = runPlayer(player, "", script);
  if (all.count == 0) {
    fail("the player gave no entries for %s", script);
    freePlayerOutput(&all);
    return 1;
  }
  GstElement* sink = NULL;
  GstElement* pipeline = NULL;
  size_t expected = all.count;
  if (decode) {
    char* uri = gst_filename_to_uri(script, NULL);
    char* description = g_strdup_printf(
        "uridecodebin uri=\"%s\" caps=\"application/x-ass;application/x-ssa\" "
        "! appsink name=sink sync=false",
        uri);
    pipeline = gst_parse_launch(description, NULL);
    if (pipeline == NULL)
      fail("cannot build \"%s\"", description);
    else
      sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_free(description);
    g_free(uri);
    expected = 0;
    for (size_t i = 0; i < all.count; ++i)
      expected += isDialogue(all.entries[i].text);
  } else {
    pipeline = launch(script, "comments=true", &sink);
  }
  if (pipeline == NULL) {
    freePlayerOutput(&all);
    return 1;
  }
  g_object_set(sink, "max-buffers", 4, NULL);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  waitForPreroll(pipeline);
  const guint64 last = all.entries[all.count - 1].timestamp;
  GRand* random = g_rand_new_with_seed(20261208);
  for (int i = 0; i < 200 && failureCount() == 0; ++i) {
    const double rate = g_rand_boolean(random) ? 1.0 : -1.0;
    const gint64 at = (gint64)g_rand_int_range(random, 0, (gint32)last + 1000) * GST_MSECOND;
    const gboolean seeked =
        rate > 0 ? gst_element_seek(pipeline, rate, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                    GST_SEEK_TYPE_SET, at, GST_SEEK_TYPE_SET, -1)
                 : gst_element_seek(pipeline, rate, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                    GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_SET, at);
    if (!seeked)
      fail("seek %d (rate %g, %" GST_TIME_FORMAT ") was refused", i, rate, GST_TIME_ARGS(at));
    GstClockTime previous = GST_CLOCK_TIME_NONE;
    for (int n = g_rand_int_range(random, 0, 4); n > 0; --n) {
      GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND);
      if (sample == NULL)
        break; /* the segment may hold nothing more */
      const GstClockTime pts = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
      if (GST_CLOCK_TIME_IS_VALID(previous) && (rate > 0 ? pts < previous : pts > previous))
        fail("seek %d: buffers out of order for rate %g", i, rate);
      previous = pts;
      gst_sample_unref(sample);
    }
  }
  g_rand_free(random);

  Pulled pulled = {NULL, NULL, 0, NULL};
  if (!gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, 0,
                        GST_SEEK_TYPE_SET, -1))
    fail("the last seek was refused");
  pullAll(sink, &pulled);
  if (pulled.count != expected)
    fail("%s: %zu buffers after the seeks, the player has %zu entries", script, pulled.count,
         expected);
  printf("%s%s: 200 seeks while playing, then all %zu entries again\n", script,
         decode ? " through uridecodebin" : "", pulled.count);
  freePulled(&pulled);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  freePlayerOutput(&all);
  return failureCount() == 0 ? 0 : 1;
}

/* ---- the code page chosen ---- */

/* Plays SCRIPT to its end and counts the element's info messages: one that
 * says TEXT, or none when TEXT is empty. */
static int info(const char* script, const char* expected) {
  char* description = g_strdup_printf("quarnssasrc location=\"%s\" ! fakesink", script);
  GstElement* pipeline = gst_parse_launch(description, NULL);
  g_free(description);
  if (pipeline == NULL) {
    fail("cannot build the pipeline");
    return 1;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  int said = 0, others = 0;
  for (;;) {
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, GST_MESSAGE_INFO | GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
    if (message == NULL || GST_MESSAGE_TYPE(message) != GST_MESSAGE_INFO) {
      if (message == NULL || GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        fail("%s: the pipeline did not reach its end", script);
      if (message != NULL)
        gst_message_unref(message);
      break;
    }
    GError* error = NULL;
    gst_message_parse_info(message, &error, NULL);
    printf("info: %s\n", error != NULL ? error->message : "");
    if (error != NULL && *expected != '\0' && strstr(error->message, expected) != NULL)
      ++said;
    else
      ++others;
    g_clear_error(&error);
    gst_message_unref(message);
  }
  if (said != (*expected != '\0') || others != 0)
    fail("%s: %d info messages say \"%s\", %d others", script, said, expected, others);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return failureCount() == 0 ? 0 : 1;
}

/* ---- a refused script ---- */

static int refuse(const char* script, const char* expected, const char* properties) {
  char* description =
      g_strdup_printf("quarnssasrc location=\"%s\" %s ! fakesink", script, properties);
  GstElement* pipeline = gst_parse_launch(description, NULL);
  g_free(description);
  if (pipeline == NULL) {
    fail("cannot build the pipeline");
    return 1;
  }
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message =
      gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND, GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
  if (message == NULL || GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) {
    fail("%s: no error message", script);
  } else {
    GError* error = NULL;
    gchar* debug = NULL;
    gst_message_parse_error(message, &error, &debug);
    printf("error: %s\ndebug: %s\n", error->message, debug != NULL ? debug : "");
    if (strstr(error->message, expected) == NULL)
      fail("%s: the error \"%s\" does not say \"%s\"", script, error->message, expected);
    if (error->domain != GST_RESOURCE_ERROR || error->code != GST_RESOURCE_ERROR_OPEN_READ)
      fail("%s: not a resource error of opening for reading", script);
    g_error_free(error);
    g_free(debug);
  }
  if (message != NULL)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return failureCount() == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  if (argc >= 4 && strcmp(argv[1], "check") == 0)
    return check(argv[2], argv[3], argc - 4, argv + 4);
  if (argc == 4 && strcmp(argv[1], "render") == 0)
    return render(argv[2], argv[3]);
  if (argc == 4 && strcmp(argv[1], "info") == 0)
    return info(argv[2], argv[3]);
  if ((argc == 4 || argc == 5) && strcmp(argv[1], "refuse") == 0)
    return refuse(argv[2], argv[3], argc == 5 ? argv[4] : "");
  if ((argc == 4 || argc == 5) && strcmp(argv[1], "stress") == 0)
    return stress(argv[2], argv[3], argc == 5 && strcmp(argv[4], "decode") == 0);
  fprintf(stderr,
          "usage: element_check check PLAYER SCRIPT [override-embedded=false] [never-shown=N]\n"
          "       element_check render SCRIPT OUT.png\n"
          "       element_check info SCRIPT TEXT\n"
          "       element_check refuse SCRIPT TEXT [PROPERTIES]\n"
          "       element_check stress PLAYER SCRIPT [decode]\n");
  return 2;
}
