// The three ways of choosing literals and copies for an entry: greedy
// (always the longest match), lazy (a match may wait one position for a
// longer one) and the price-based optimal parse, which minimises the bits
// of the adaptive code as it stands while the entry is written.
//
// Each parser takes the history and sends its choices for history positions
// WindowFill ... end to the encoder, stopping early when the encoder's sink
// stops the stream. Their memory does not grow with the input.
#pragma once

#include "encode/entry_encoder.h"
#include "encode/history.h"

void GreedyParse(const History& history, int maxChain, EntryEncoder& encoder);

void LazyParse(const History& history, int maxChain, EntryEncoder& encoder);

// horizon: positions priced together; commit: positions written before the
// prices are taken again from the model (at most horizon).
void OptimalParse(const History& history, int maxChain, int horizon, int commit,
                  EntryEncoder& encoder);
