#include <iostream>

#include "pck_commands.h"

int main(int argc, char** argv) {
  return pck::RunPck(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
