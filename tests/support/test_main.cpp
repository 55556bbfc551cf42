// main() of every C++ suite: gives the process a private, empty properties file so suites
// that run side by side never see each other's properties.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

class PrivateProperties : public ::testing::Environment {
  public:
    void SetUp() override {
        const char *tmp = getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/orv-props-XXXXXX";
        const int fd = mkstemp(templ.data());
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = templ;
        setenv("ORV_PROPERTIES_FILE", path_.c_str(), 1);
    }
    void TearDown() override { unlink(path_.c_str()); }

  private:
    std::string path_;
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PrivateProperties);
    return RUN_ALL_TESTS();
}
