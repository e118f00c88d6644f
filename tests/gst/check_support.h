/* What the element checks share: failures counted and reported, pipelines
 * prerolled, and the buffers an appsink pulls. */
#pragma once

#include <gst/gst.h>

/* Reports a failure on standard error and counts it. */
void fail(const char* format, ...) G_GNUC_PRINTF(1, 2);
/* The failures so far. */
int failureCount(void);

/* Waits up to ten seconds for the pipeline to reach the state asked for;
 * FALSE, with the pipeline's error reported, when it fails. */
gboolean waitForPreroll(GstElement* pipeline);

typedef struct {
  GstClockTime pts;
  GstClockTime duration;
  char* payload;
} Buffer;

typedef struct {
  GstCaps* caps;
  Buffer* buffers;
  size_t count;
  /* The texts of the warning messages the pipeline posted; NULL until
   * collectWarnings. */
  GPtrArray* warnings;
} Pulled;

/* Pulls every sample from the appsink until the end of the stream. */
void pullAll(GstElement* sink, Pulled* pulled);
/* Adds the warning messages waiting on the pipeline's bus. */
void collectWarnings(GstElement* pipeline, Pulled* pulled);
void freePulled(Pulled* pulled);

/* The element of the factory `name` somewhere in `bin`, or NULL. */
GstElement* findByFactory(GstBin* bin, const char* name);
