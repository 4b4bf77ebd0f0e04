// The vector-font renderer, one per platform: turns a glyph's drawing commands into filled and
// stroked shapes with an anti-aliased scanline rasteriser, keeps each glyph's spans for reuse,
// and hands spans to the renderer's span writer in batches (or as horizontal lines outside 2-D
// drawing), or writes them straight into a locked texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "platform/display/FlatSpan.h"
#include "render/TVertexList.h"

class TRenderer;
class TTexture;

// What keeping spans works in, held by the drawer for every text: once it has grown, a text
// written anew (a clock's figure) is kept again without taking memory.
struct TKeepScratch {
  std::vector<platform::display::FlatSpan> recorded;
  std::vector<uint8_t> covered;
  std::vector<uint32_t> keys;                          // layer << 24 | rgb, in order of first use
  std::vector<std::pair<uint32_t, uint32_t>> members;  // (index into keys, span), in span order
  std::vector<uint32_t> order;                         // indices into keys, layer by layer
};

// Spans drawn once, kept the way they are drawn again fastest: masks of alphas, one per colour
// and layer, layer by layer, then the spans no layer takes, in their order; every pixel takes
// its spans in the order it took them.
struct TKeptSpans {
  TKeptSpans() = default;
  // The masks point into the alphas: a copy would point into the original's.
  TKeptSpans(const TKeptSpans&) = delete;
  TKeptSpans& operator=(const TKeptSpans&) = delete;

  std::vector<platform::display::AlphaMask> masks;  // into `alphas`
  std::vector<uint8_t> alphas;
  std::vector<platform::display::FlatSpan> after;

  void Keep(const std::vector<platform::display::FlatSpan>& spans, TKeepScratch& scratch);
  // Spans that draw the same pixels (a mask's pixels one by one).
  std::vector<platform::display::FlatSpan> Spans() const;
};

class THwMiniVecDraw {
public:
  THwMiniVecDraw();
  virtual ~THwMiniVecDraw();
  THwMiniVecDraw(const THwMiniVecDraw&) = delete;
  THwMiniVecDraw& operator=(const THwMiniVecDraw&) = delete;

  // The platform's renderer; null before the display exists.
  static THwMiniVecDraw* Instance();

  // Measures where the display puts the ends of line primitives (once, at start-up).
  void Calibrate();

  // Starts a run of glyphs with its pen at (x, y) pixels. A different target texture first
  // finishes the text drawn so far; a given texture is locked and spans go into its pixels.
  bool BeginRun(float x, float y, boost::shared_ptr<TTexture> target);
  // Draws one glyph with its pen at (x, y) quarter pixels from the run's start. Font glyphs
  // are cached by the address of their commands, which live as long as their font; made-up
  // glyphs (bars, the caret) pass byContent and are cached by their bytes.
  void DrawGlyph(const uint8_t* commands, size_t length, int x, int y, bool byContent = false);
  void Flush();
  // Whether spans drawn now can be drawn again with Replay: the span writer is on and the
  // renderer draws in 2-D.
  bool CanReplay() const;
  TKeepScratch& KeepScratch() { return mKeepScratch; }
  // Every span output from now on is also added to `into`, until Record(nullptr).
  void Record(std::vector<platform::display::FlatSpan>* into);
  // Draws kept spans again through the span writer.
  void Replay(const TKeptSpans& kept);
  // Flushes and lets go of a locked target.
  void EndText();

  void SetScale(float x, float y) {
    mXScale = x;
    mYScale = y;
  }
  void SetRotation(float cosine, float sine) {
    mCos = cosine;
    mSin = sine;
  }
  // Outline and bold stroke widths in pixels, 0 = none.
  void SetStrokes(float outline, float bold);
  void SetItalic(bool on) { mItalic = on ? 1 : 0; }
  void SetStyleColor(int style, const TColor& colour, float alpha);
  void SetDisplayFlags(uint8_t replace, uint8_t accumulate) {
    mReplace = replace;
    mAccumulate = accumulate;
  }

  // Observations for tests and tools.
  size_t GetCachedGlyphCount() const { return mEntries.size(); }
  size_t GetCachedSpanCount() const { return mSpanCount; }
  size_t GetRasterisedCount() const { return mRasterised; }
  int GetBatchSize() const { return mBatchSize; }
  void GetBiases(float& xStart, float& xEnd, float& y) const {
    xStart = mXStartBias;
    xEnd = mXEndBias;
    y = mYBias;
  }
  // The span store is emptied whenever it would grow past this many spans.
  void SetSpanLimit(size_t spans) { mSpanLimit = spans; }
  // Off: spans go to the renderer as two-vertex lines, as they do outside 2-D drawing (tests
  // compare the two).
  void SetSpanWriter(bool on) { mSpanWriter = on; }

  struct Span {
    int16_t start, end, row;
    uint8_t coverage, slot;  // coverage 255 ends a glyph
  };

private:
  struct Edge {
    float x0, y0, x1, y1;
    float x, slope;
    int first, last;  // sub-scanlines
    uint8_t style, layer;
  };
  struct Key {
    const uint8_t* id;  // null for glyphs keyed by content
    uint32_t hash;
    uint8_t xPhase, yPhase, italic;
    float xScale, yScale, stroke0, stroke1, cosine, sine;
  };
  struct Entry {
    Key key;
    std::vector<uint8_t> content;
    size_t firstSpan;
    size_t spanCount;
    int next;
  };

  bool SameKey(const Entry& e, const Key& k, const uint8_t* commands, size_t length) const;
  void Rasterise(const uint8_t* commands, size_t length, int xPhase, int yPhase);
  void AddEdge(float x0, float y0, float x1, float y1, uint8_t style, uint8_t layer, bool stroke);
  void StrokeSegment(float x0, float y0, float x1, float y1, uint8_t layer);
  void Piece(float x0, float y0, float x1, float y1, uint8_t fill, uint8_t layer);
  void AddStretch(int slot, float xa, float xb);
  void FlushRow(int row);
  void EmitSpan(const Span& s);
  void Output(const Span& s);
  void WriteSpans();
  void DrawLines(TRenderer* r);
  void FlushCache();
  Span& SpanAt(size_t i) { return mBlocks[i >> 13][i & 8191]; }

  // Rasteriser state.
  float mXScale = 1.0f, mYScale = 1.0f, mCos = 1.0f, mSin = 0.0f;
  float mStrokes[2] = {0.0f, 0.0f};
  uint8_t mItalic = 0;
  int mXPhase = 0, mYPhase = 0;
  std::vector<Edge> mEdges;
  std::vector<int> mHeads;
  std::vector<int> mActive;
  int mLowSub = 0, mHighSub = 0;
  static constexpr int kCells = 3200;
  std::vector<uint8_t> mCells[4];
  bool mDirty[4] = {};
  int mLow[4] = {}, mHigh[4] = {};

  // Colours.
  uint32_t mCoverage[4][32] = {};
  TColor mStyleColours[256];
  float mAlpha = 1.0f;

  // Glyph cache.
  static constexpr int kBuckets = 2039;
  std::vector<int> mBuckets;
  std::vector<Entry> mEntries;
  std::vector<std::unique_ptr<Span[]>> mBlocks;
  size_t mSpanCount = 0;
  size_t mSpanLimit = size_t(1) << 20;
  bool mRecording = false;
  size_t mRasterised = 0;

  // Output.
  int mOriginX = 0, mOriginY = 0;  // pixels of the run
  int mRunPhaseX = 0, mRunPhaseY = 0;
  bool mOffside = false;         // the run's pen is not on any display
  int mGlyphX = 0, mGlyphY = 0;  // pixels of the glyph being drawn
  // Spans in 2-D pixels; as lines a batch is twice as many vertices.
  static constexpr int kBatchCapacity = 128;
  platform::display::FlatSpan mBatch[kBatchCapacity];
  int mBatchCount = 0;
  int mBatchSize = kBatchCapacity * 2;  // vertices of a line batch
  boost::shared_ptr<TTexture> mTarget;
  uint32_t* mPixels = nullptr;
  int32_t mPitch = 0, mTargetWidth = 0, mTargetHeight = 0;
  float mXStartBias = -0.75f, mXEndBias = -0.75f, mYBias = 0.25f;
  uint8_t mReplace = 0, mAccumulate = 0;
  uint8_t mDirect = 0;
  bool mSpanWriter = true;
  TKeepScratch mKeepScratch;
  std::vector<platform::display::FlatSpan>* mRecord = nullptr;
};
