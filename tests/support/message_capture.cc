// Messages taken from the component's message sink.
#include "platform/message_box.h"
#include "test_support.h"

namespace testing_support {

MessageCapture::MessageCapture() {
  platform::SetMessageSink([this](const std::string& text, const std::string& title) {
    messages.push_back({title, text});
  });
}

MessageCapture::~MessageCapture() { platform::SetMessageSink(nullptr); }

}  // namespace testing_support
