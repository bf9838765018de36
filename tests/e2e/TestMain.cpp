// The tests' entry. GoogleTest's printer also hands every failure to OutputDebugStringA, which
// raises an exception for a debugger to catch; under qemu's emulation that exception brings
// down the 32-bit test program, which then leaves the program under test running. Failures
// are printed here instead, and the rest is left to GoogleTest's own printer. A crash is
// reported as the failure of the test it happened in, not left to whoever reads the exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

class Printer : public testing::TestEventListener {
public:
    explicit Printer(testing::TestEventListener* own) : own_(own) {}

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.type() == testing::TestPartResult::kSuccess) return;
        std::printf("%s:%d: %s\n%s\n", result.file_name() ? result.file_name() : "unknown file",
                    result.line_number(),
                    result.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure",
                    result.message());
        std::fflush(stdout);
    }

    void OnTestProgramStart(const testing::UnitTest& u) override { own_->OnTestProgramStart(u); }
    void OnTestIterationStart(const testing::UnitTest& u, int i) override {
        own_->OnTestIterationStart(u, i);
    }
    void OnEnvironmentsSetUpStart(const testing::UnitTest& u) override {
        own_->OnEnvironmentsSetUpStart(u);
    }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest& u) override {
        own_->OnEnvironmentsSetUpEnd(u);
    }
    void OnTestSuiteStart(const testing::TestSuite& s) override { own_->OnTestSuiteStart(s); }
#ifndef GTEST_REMOVE_LEGACY_TEST_CASEAPI_
    // What this GoogleTest's own printer still answers to.
    void OnTestCaseStart(const testing::TestCase& c) override { own_->OnTestCaseStart(c); }
    void OnTestCaseEnd(const testing::TestCase& c) override { own_->OnTestCaseEnd(c); }
#endif
    void OnTestStart(const testing::TestInfo& t) override { own_->OnTestStart(t); }
    void OnTestEnd(const testing::TestInfo& t) override { own_->OnTestEnd(t); }
    void OnTestSuiteEnd(const testing::TestSuite& s) override { own_->OnTestSuiteEnd(s); }
    void OnEnvironmentsTearDownStart(const testing::UnitTest& u) override {
        own_->OnEnvironmentsTearDownStart(u);
    }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest& u) override {
        own_->OnEnvironmentsTearDownEnd(u);
    }
    void OnTestIterationEnd(const testing::UnitTest& u, int i) override {
        own_->OnTestIterationEnd(u, i);
    }
    void OnTestProgramEnd(const testing::UnitTest& u) override { own_->OnTestProgramEnd(u); }

private:
    std::unique_ptr<testing::TestEventListener> own_;
};

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* crash) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::printf("Failure\nthe test program crashed in %s.%s: exception 0x%08lx at %p\n",
                test ? test->test_suite_name() : "(no test)", test ? test->name() : "",
                static_cast<unsigned long>(crash->ExceptionRecord->ExceptionCode),
                crash->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    return EXCEPTION_EXECUTE_HANDLER; // the process ends with the exception's code
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportCrash);
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    listeners.Append(new Printer(listeners.Release(listeners.default_result_printer())));
    return RUN_ALL_TESTS();
}
