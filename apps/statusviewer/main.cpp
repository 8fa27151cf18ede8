// The status viewer application (being built up; see README).
#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::puts("statusviewer: not yet wired");
    return 0;
}
