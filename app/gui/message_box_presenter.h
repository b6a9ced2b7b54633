// Shows the program's messages in modal message boxes.
#pragma once

#include "vocabulary/U_Msg.h"

class T_Message_Box_Presenter : public T_Msg_Presenter {
public:
    void Present(T_Msg_Kind kind, const std::string& caption, const std::string& text) override;
};
