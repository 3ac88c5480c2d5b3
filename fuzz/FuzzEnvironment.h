#ifndef FUZZ_FUZZENVIRONMENT_H
#define FUZZ_FUZZENVIRONMENT_H

// The process state a fuzz target needs: an application object, a working directory of its
// own on a memory file system, and quiet diagnostics. Used in the fuzzer's thread.
class FuzzEnvironment
{
public:
    // Sets everything up from LLVMFuzzerInitialize. Crash files go to the folder the fuzzer
    // was started in unless -artifact_prefix says otherwise. The working directory is
    // removed again when the process exits normally.
    static void setUp(const char* name, int* argc, char*** argv);

    // A run works in the target's own folder; libFuzzer's relative corpus paths need the
    // folder the fuzzer was started in everywhere else.
    static void enter();
    static void leave();
};

#endif
