#pragma once

extern const char kScreenInitChunk[];
extern const unsigned kScreenInitChunkSize;
