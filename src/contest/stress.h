// vorlix --stress SOLUTION BRUTE GENERATOR [OPTION...]: runs the generator
// with each round's number as its seed, the brute force and the solution on
// what it wrote, and stops at the first round where the solution is not AC,
// keeping that input as the solution's next sample.
#pragma once

#include <string>
#include <vector>

// The whole form, `arguments` being the program's. Returns 0 when every round
// passed, 1 when the solution was caught or the brute force or the generator
// failed (or a compile did), 2 for a usage error or a refused path; the
// interrupt status when Ctrl-C stopped it.
int Stress_main(const std::vector<std::string>& arguments);
