// One QApplication for a test program's whole run (widget tests on the offscreen platform).
#pragma once

#include <QApplication>
#include <gtest/gtest.h>

namespace vt::test {

class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QApplication::instance()) {
      qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
      static int argc = 1;
      static char name[] = "vt_test";
      static char* argv[] = {name, nullptr};
      m_app = new QApplication(argc, argv);
    }
  }
  void TearDown() override {
    delete m_app;
    m_app = nullptr;
  }

 private:
  QApplication* m_app = nullptr;
};

inline const bool kQtEnvRegistered = (::testing::AddGlobalTestEnvironment(new QtAppEnvironment), true);

}  // namespace vt::test
