// The index browser object: options, selection, remembered settings and the roads of OK, Cancel
// and the close box, each of which lets the host veto through its events.
#include "tessaglyph/browser.hpp"

#include <algorithm>

#include "index/browse_page_server.hpp"
#include "index/settings_file.hpp"
#include "support/conversions.hpp"
#include "support/profile_file.hpp"
#include "support/user_settings.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

constexpr const char* kDefaultTitle = "Select Index Files";
constexpr const char* kDefaultApp = "Tessaglyph.DLL";
constexpr const char* kDefaultSection = "Index Browse Dialog Settings";

constexpr const char* kShowScriptsKey = "Show Scripts";
constexpr const char* kShowSourcesKey = "Show Sources";
constexpr const char* kDisplayOptionKey = "Display Option";
constexpr const char* kSortOptionKey = "Sort Option";
constexpr const char* kFormWidthKey = "Form Width";
constexpr const char* kFormHeightKey = "Form Height";

}  // namespace

void BrowseWindow::reduceSelection(TessaglyphBrowser& browser) {
  while (browser.numSelectedItems() > 1) {
    const Long before = browser.numSelectedItems();
    const TGB_SELECTEDITEM last = browser.selectedItem(before - 1);
    browser.setItemSelected(last.type, last.index, false);
    // A host that vetoes the removal keeps the rest as it is.
    if (browser.numSelectedItems() == before) break;
  }
}

void BrowseWindow::messageBox(const std::string& prompt, std::int32_t style,
                              const std::string& title) {
  userInterface().messageBox(prompt, style, title);
}

TessaglyphBrowser::TessaglyphBrowser() = default;

TessaglyphBrowser::~TessaglyphBrowser() {
  // A window still open goes with its object.
  m_window.reset();
}

void TessaglyphBrowser::setDialogTitle(const std::string& value) {
  m_dialogTitle = value.empty() ? kDefaultTitle : value;
}

void TessaglyphBrowser::setSaveSettingsApp(const std::string& value) {
  if (!value.empty()) {
    m_saveSettingsApp = value;
  } else {
    m_saveSettingsApp = m_saveSettingsInRegistry ? kDefaultApp : settings::iniFileName();
  }
}

void TessaglyphBrowser::setSaveSettingsSection(const std::string& value) {
  m_saveSettingsSection = value.empty() ? kDefaultSection : value;
}

void TessaglyphBrowser::setAllowMultiSelect(Boolean value) {
  m_allowMultiSelect = value;
  if (!value && m_dialogShown && m_window) m_window->reduceSelection(*this);
}

void TessaglyphBrowser::setForceSelect(Long value) {
  if (value <= 0) {
    m_forceSelect = 0;
    return;
  }
  TessaglyphIndex index;
  index.initIndexSystem();
  const Long available = index.numIndexRecords() + index.numScriptIndexRecords();
  m_forceSelect = std::min(value, available);
}

Boolean TessaglyphBrowser::buttonEnabled(Long Button) const {
  return (m_enabledButtonsMask & Button) == Button;
}

void TessaglyphBrowser::setButtonEnabled(Long Button, Boolean value) {
  setEnabledButtonsMask(value ? (m_enabledButtonsMask | Button) : (m_enabledButtonsMask & ~Button));
}

void TessaglyphBrowser::setEnabledButtonsMask(Long value) {
  m_enabledButtonsMask = value;
  if (m_dialogShown && m_window) m_window->refreshButtons();
}

template <typename T>
bool TessaglyphBrowser::raiseOptionChange(void (TessaglyphBrowserEvents::*event)(T, Boolean&),
                                          T value) {
  if (!m_changeEvents || m_events == nullptr) return true;
  Boolean cancel = false;
  (m_events->*event)(value, cancel);
  return !cancel;
}

void TessaglyphBrowser::setShowScripts(Boolean value) {
  if (!raiseOptionChange(&TessaglyphBrowserEvents::showScriptsChanged, value)) return;
  m_showScripts = value;
  if (m_dialogShown && m_window) m_window->applyOptions();
}

void TessaglyphBrowser::setShowSources(Boolean value) {
  if (!raiseOptionChange(&TessaglyphBrowserEvents::showSourcesChanged, value)) return;
  m_showSources = value;
  if (m_dialogShown && m_window) m_window->applyOptions();
}

void TessaglyphBrowser::setDisplayOption(TGB_DIALOGDISPLAYOPTIONS value) {
  if (!raiseOptionChange(&TessaglyphBrowserEvents::displayOptionChanged, value)) return;
  m_displayOption = value;
  if (m_dialogShown && m_window) m_window->applyOptions();
}

void TessaglyphBrowser::setSortOption(TGB_SORTOPTIONS value) {
  if (!raiseOptionChange(&TessaglyphBrowserEvents::sortOptionChanged, value)) return;
  m_sortOption = value;
  if (m_dialogShown && m_window) m_window->applyOptions();
}

TGB_SELECTEDITEM TessaglyphBrowser::displayedItemData(TGB_SELECTIONTYPES itemType,
                                                      Long itemIndex) const {
  if (!m_dialogShown || !m_window) return TGB_SELECTEDITEM{};
  return m_window->itemRecord(itemType, itemIndex);
}

long TessaglyphBrowser::findSelected(TGB_SELECTIONTYPES itemType, Long itemIndex) const {
  for (std::size_t i = 0; i < m_selectedTypes.size(); ++i) {
    if (m_selectedTypes[i] == itemType && m_selectedIndices[i] == itemIndex) return long(i);
  }
  return -1;
}

Boolean TessaglyphBrowser::itemSelected(TGB_SELECTIONTYPES itemType, Long itemIndex) const {
  return findSelected(itemType, itemIndex) >= 0;
}

void TessaglyphBrowser::setItemSelected(TGB_SELECTIONTYPES itemType, Long itemIndex,
                                        Boolean value) {
  if (!m_dialogShown || !m_window) return;
  const TGB_SELECTEDITEM record = m_window->itemRecord(itemType, itemIndex);
  if (record.index == -1) return;
  Boolean cancel = false;
  if (m_events != nullptr) m_events->dialogSelectionChanged(record, value, cancel);
  if (cancel) return;
  const long position = findSelected(itemType, itemIndex);
  if (value && position < 0) {
    m_selectedTypes.push_back(itemType);
    m_selectedIndices.push_back(itemIndex);
    m_selectedRecords.push_back(record);
  } else if (!value && position >= 0) {
    m_selectedTypes.erase(m_selectedTypes.begin() + position);
    m_selectedIndices.erase(m_selectedIndices.begin() + position);
    m_selectedRecords.erase(m_selectedRecords.begin() + position);
  }
  // The host's sink may have closed the window.
  if (m_dialogShown && m_window) m_window->showItemSelected(itemType, itemIndex, value);
}

TGB_SELECTEDITEM TessaglyphBrowser::selectedItem(Long index) const {
  if (index < 0 || index >= numSelectedItems()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, "TessaglyphBrowser::selectedItem Get");
  }
  return m_selectedRecords[std::size_t(index)];
}

void TessaglyphBrowser::clearSelection() {
  m_selectedTypes.clear();
  m_selectedIndices.clear();
  m_selectedRecords.clear();
}

void TessaglyphBrowser::showDialog(bool modal, const std::string& title) {
  if (m_dialogShown) return;
  clearSelection();
  if (!title.empty()) m_dialogTitle = title;
  m_window = userInterface().createBrowseWindow(*this);
  if (!m_window) m_window = makeBrowsePageWindow(*this);
  m_dialogShown = true;
  try {
    m_window->show(modal);
  } catch (...) {
    m_dialogShown = false;
    m_window.reset();
    throw;
  }
}

void TessaglyphBrowser::applySaveSettingsDefaults() {
  m_saveSettingsInRegistry = true;
  setSaveSettingsApp({});
  setSaveSettingsSection({});
}

namespace {

// The stored text of a key, or empty when it is missing: from the per-user store or an INI file.
std::optional<std::string> readSetting(bool inStore, const std::string& app,
                                       const std::string& section, const char* key) {
  if (inStore) return readUserSetting(app, section, key);
  constexpr std::string_view kMissing = "\n";
  std::string value = readProfileString(section, key, kMissing, app);
  if (value == kMissing) return std::nullopt;
  return value;
}

void writeSetting(bool inStore, const std::string& app, const std::string& section, const char* key,
                  const std::string& value) {
  if (inStore) {
    writeUserSetting(app, section, key, value);
  } else {
    writeProfileString(section, key, std::string_view(value), app);
  }
}

}  // namespace

void TessaglyphBrowser::saveSettings() const {
  if (!m_rememberSettings) return;
  const auto write = [this](const char* key, const std::string& value) {
    writeSetting(m_saveSettingsInRegistry, m_saveSettingsApp, m_saveSettingsSection, key, value);
  };
  write(kShowScriptsKey, booleanToText(m_showScripts));
  write(kShowSourcesKey, booleanToText(m_showSources));
  write(kDisplayOptionKey, longToText(m_displayOption));
  write(kSortOptionKey, longToText(m_sortOption));
  write(kFormWidthKey, doubleToText(m_windowWidth));
  write(kFormHeightKey, doubleToText(m_windowHeight));
}

void TessaglyphBrowser::loadSettings() {
  const auto read = [this](const char* key) {
    return readSetting(m_saveSettingsInRegistry, m_saveSettingsApp, m_saveSettingsSection, key);
  };
  // Every value is converted before any is stored, so a bad one changes nothing.
  Boolean showScripts = m_showScripts;
  Boolean showSources = m_showSources;
  Long displayOption = m_displayOption;
  Long sortOption = m_sortOption;
  Double width = m_windowWidth;
  Double height = m_windowHeight;
  if (const auto text = read(kShowScriptsKey)) showScripts = textToBoolean(*text);
  if (const auto text = read(kShowSourcesKey)) showSources = textToBoolean(*text);
  if (const auto text = read(kDisplayOptionKey)) displayOption = textToLong(*text);
  if (const auto text = read(kSortOptionKey)) sortOption = textToLong(*text);
  if (const auto text = read(kFormWidthKey)) width = textToDouble(*text);
  if (const auto text = read(kFormHeightKey)) height = textToDouble(*text);
  m_showScripts = showScripts;
  m_showSources = showSources;
  m_displayOption = TGB_DIALOGDISPLAYOPTIONS(displayOption);
  m_sortOption = TGB_SORTOPTIONS(sortOption);
  m_windowWidth = width;
  m_windowHeight = height;
  if (m_dialogShown && m_window) m_window->applyOptions();
}

void TessaglyphBrowser::acceptDialog() {
  if (!m_dialogShown) {
    throw Error(TGB_E_DIALOGNOTSHOWN, "TessaglyphBrowser::acceptDialog",
                "The browse dialog is not currently shown");
  }
  pressOK();
}

void TessaglyphBrowser::cancelDialog() {
  if (!m_dialogShown) {
    throw Error(TGB_E_DIALOGNOTSHOWN, "TessaglyphBrowser::cancelDialog",
                "The browse dialog is not currently shown");
  }
  pressCancel();
}

void TessaglyphBrowser::closeWindow() {
  if (m_window) m_window->close();
  m_dialogShown = false;
}

void TessaglyphBrowser::pressOK() {
  if (!m_dialogShown) return;
  Boolean cancel = false;
  if (m_events != nullptr) m_events->dialogAccept(cancel);
  if (cancel) return;
  m_lastDialogCanceled = false;
  closeWindow();
}

void TessaglyphBrowser::pressCancel() {
  if (!m_dialogShown) return;
  if (m_forceSelect >= 1 && numSelectedItems() < m_forceSelect) {
    const std::string prompt =
        m_forceSelect == 1 ? std::string("You must select at least one item.")
                           : "You must select at least " + longToText(m_forceSelect) + " items.";
    if (m_window) m_window->messageBox(prompt, MB_OKONLY | MB_EXCLAMATION, m_dialogTitle);
    return;
  }
  Boolean cancel = false;
  if (m_events != nullptr) m_events->dialogCancel(cancel);
  if (cancel) return;
  m_lastDialogCanceled = true;
  clearSelection();
  closeWindow();
}

void TessaglyphBrowser::windowAbandoned() {
  m_lastDialogCanceled = true;
  clearSelection();
  m_dialogShown = false;
}

void TessaglyphBrowser::windowResized(Double width, Double height) {
  m_windowWidth = width;
  m_windowHeight = height;
}

}  // namespace tg
