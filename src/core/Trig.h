// The game's own sine, cosine and arctangent. Positions are rounded from
// them, so a replay agrees across platforms only if they agree to the last
// bit; C libraries do not (the browser's and glibc's differ in the last
// place for a few percent of inputs). These are evaluated in double-double
// arithmetic and rounded once, which gives the correctly rounded result in
// all but vanishingly rare cases, and the same bits on every platform.
#pragma once

namespace molfo::trig {

double Sin(double x);
double Cos(double x);
double Atan(double x);

}  // namespace molfo::trig
