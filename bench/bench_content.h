// Synthetic picture sequences for the codec benchmarks.
#pragma once
