// The simulator's Runge-Kutta tables of sixth and eighth order, shared by the propagators that
// turn a vessel in flight and the one that moves and turns it together in ground contact.
#pragma once

namespace quva {

// A Runge-Kutta table: stage i starts from the state advanced by h Σ beta[i][j] d_j (j < i); the
// step ends at h Σ gamma[i] d_i.
template <int N>
struct RungeKuttaTable {
    double beta[N][N];
    double gamma[N];
};

// Sixth order in seven stages.
inline constexpr RungeKuttaTable<7> kRK6 = {
    {{0},
     {1.0 / 3},
     {0, 2.0 / 3},
     {1.0 / 12, 1.0 / 3, -1.0 / 12},
     {-1.0 / 16, 9.0 / 8, -3.0 / 16, -3.0 / 8},
     {0, 9.0 / 8, -3.0 / 8, -3.0 / 4, 1.0 / 2},
     {9.0 / 44, -9.0 / 11, 63.0 / 44, 18.0 / 11, 0, -16.0 / 11}},
    {11.0 / 120, 0, 27.0 / 40, 27.0 / 40, -4.0 / 15, -4.0 / 15, 11.0 / 120}};

// Eighth order in thirteen stages.
inline constexpr RungeKuttaTable<13> kRK8 = {
    {{0},
     {2.0 / 27},
     {1.0 / 36, 1.0 / 12},
     {1.0 / 24, 0, 1.0 / 8},
     {5.0 / 12, 0, -25.0 / 16, 25.0 / 16},
     {1.0 / 20, 0, 0, 1.0 / 4, 1.0 / 5},
     {-25.0 / 108, 0, 0, 125.0 / 108, -65.0 / 27, 125.0 / 54},
     {31.0 / 300, 0, 0, 0, 61.0 / 225, -2.0 / 9, 13.0 / 900},
     {2.0, 0, 0, -53.0 / 6, 704.0 / 45, -107.0 / 9, 67.0 / 90, 3.0},
     {-91.0 / 108, 0, 0, 23.0 / 108, -976.0 / 135, 311.0 / 54, -19.0 / 60, 17.0 / 6, -1.0 / 12},
     {2383.0 / 4100, 0, 0, -341.0 / 164, 4496.0 / 1025, -301.0 / 82, 2133.0 / 4100, 45.0 / 82, 45.0 / 164,
      18.0 / 41},
     {3.0 / 205, 0, 0, 0, 0, -6.0 / 41, -3.0 / 205, -3.0 / 41, 3.0 / 41, 6.0 / 41, 0},
     {-1777.0 / 4100, 0, 0, -341.0 / 164, 4496.0 / 1025, -289.0 / 82, 2193.0 / 4100, 51.0 / 82, 33.0 / 164,
      12.0 / 41, 0, 1.0}},
    {0, 0, 0, 0, 0, 34.0 / 105, 9.0 / 35, 9.0 / 35, 9.0 / 280, 9.0 / 280, 0, 41.0 / 840, 41.0 / 840}};

}  // namespace quva
