// The engine's sub-process program: renderer, GPU and utility processes all
// run this executable. It hands the process straight to the engine.

namespace QtWebEngineCore {
// Exported by the engine's core library; no public header declares it.
int processMain(int argc, const char **argv);
} // namespace QtWebEngineCore

int main(int argc, const char **argv)
{
    return QtWebEngineCore::processMain(argc, argv);
}
