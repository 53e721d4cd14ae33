// Program entry: hands over to the Qt application runner.
#include "app/qt/QtApplication.h"

int main(int argc, char** argv) { return quiret::RunQtApplication(argc, argv); }
