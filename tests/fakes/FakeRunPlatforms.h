#pragma once
// Each run's platform made of fakes the test owns: every run gets the same office, input and
// clipboard.
#include <memory>
#include <stdexcept>

#include "platform/RunPlatform.h"

namespace fakes {

class FakeRunPlatforms : public platform::RunPlatformFactory {
  public:
    explicit FakeRunPlatforms(platform::AutomationFactory& office) : office(&office) {}

    std::unique_ptr<platform::RunPlatform> open(bool, int) override {
        return std::make_unique<Run>(*this);
    }

    platform::AutomationFactory* office;
    platform::Input* input = nullptr;  // none: a range cannot inject keys
    platform::Clipboard* clipboard = nullptr;

  private:
    class Run : public platform::RunPlatform {
      public:
        explicit Run(FakeRunPlatforms& from) : from_(from) {}
        platform::AutomationFactory& office() override { return *from_.office; }
        platform::Input& input() override { return need(from_.input, "key injection"); }
        platform::Clipboard& clipboard() override { return need(from_.clipboard, "clipboard"); }

      private:
        template <typename T>
        static T& need(T* service, const char* name) {
            if (service == nullptr)
                throw std::logic_error(std::string("the test gave the run no ") + name);
            return *service;
        }
        FakeRunPlatforms& from_;
    };
};

}  // namespace fakes
