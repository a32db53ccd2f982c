#include "firmware/upload_status.h"

const char* upload_status_text(int status) {
  switch (status) {
    case UPLOAD_SUCCESS:
      return "Upload Completed Successfully";
    case UPLOAD_ERR_SOF:
      return "Error: SOF Error !";
    case UPLOAD_ERR_CHECKSUM:
      return "Error: Checksum !";
    case UPLOAD_ERR_FLASH_VERIFY:
      return "Error: Flash Verify !";
    case UPLOAD_ERR_TIMEOUT:
      return "Error: OstrelUSB Timeout !";
    case UPLOAD_ERR_SYNC:
      return "Error: OstrelUSB Sync !";
    case UPLOAD_ERR_ZERO_REPLY:
      return "Error: OstrelUSB Refused a Block (reply 0) !";
    case UPLOAD_STOPPED:
      return "Error: Upload Stopped !";
    default:
      return "Error: Restart failed !";
  }
}
