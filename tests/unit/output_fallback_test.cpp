#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback/engine/engine_config.h"

namespace {

// Records what it is asked, and opens only when told to.
class RecordingOutput : public AudioOutput {
 public:
  RecordingOutput(std::string name, bool opens, std::vector<std::string>* calls)
      : name_(std::move(name)), opens_(opens), calls_(calls) {}
  bool Open(uint32_t, uint32_t, uint32_t) override {
    Note("Open");
    return opens_;
  }
  void Close() override { Note("Close"); }
  bool WaitForSpace(uint32_t, uint32_t) override {
    Note("WaitForSpace");
    return true;
  }
  void Write(const float*, uint32_t frameCount) override {
    Note("Write " + std::to_string(frameCount));
  }
  uint32_t QueuedFrames() override { return opens_ ? 123 : 0; }
  void Discard() override { Note("Discard"); }
  void SetActive(bool active) override { Note(active ? "Active" : "Inactive"); }
  bool Failed() override { return false; }
  bool Reopen() override {
    Note("Reopen");
    return true;
  }

 private:
  void Note(const std::string& what) { calls_->push_back(name_ + " " + what); }
  std::string name_;
  bool opens_;
  std::vector<std::string>* calls_;
};

OutputFactory Recording(const std::string& name, bool opens, std::vector<std::string>* calls) {
  return [=] { return std::make_unique<RecordingOutput>(name, opens, calls); };
}

TEST(FallbackOutput, PlaysThroughTheFirstThatOpensAndNeverTouchesTheOthersAgain) {
  std::vector<std::string> calls;
  auto output = CreateFallbackOutput(
      {[] { return std::unique_ptr<AudioOutput>(); }, Recording("server", false, &calls),
       Recording("device", true, &calls), Recording("spare", true, &calls)});
  ASSERT_TRUE(output->Open(44100, 2, 441));
  float frames[882] = {};
  EXPECT_TRUE(output->WaitForSpace(441, 10));
  output->Write(frames, 441);
  EXPECT_EQ(output->QueuedFrames(), 123u);
  output->Discard();
  output->SetActive(false);
  EXPECT_TRUE(output->Reopen());
  output->Close();
  EXPECT_EQ(calls, (std::vector<std::string>{"server Open", "device Open", "device WaitForSpace",
                                             "device Write 441", "device Discard",
                                             "device Inactive", "device Reopen", "device Close"}));
}

TEST(FallbackOutput, FailsWhenNoneOpens) {
  std::vector<std::string> calls;
  auto output = CreateFallbackOutput(
      {Recording("server", false, &calls), Recording("device", false, &calls)});
  EXPECT_FALSE(output->Open(44100, 2, 441));
  output->Close();  // the engine may close an output that never opened
  EXPECT_EQ(calls, (std::vector<std::string>{"server Open", "device Open"}));
  EXPECT_FALSE(CreateFallbackOutput({})->Open(44100, 2, 441));
}

}  // namespace
