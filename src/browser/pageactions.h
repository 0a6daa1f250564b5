#pragma once

class QWebEnginePage;

// Gives the page's standard actions (Back, Copy, Save page...) their Japanese texts: the engine
// names them in English, whatever the language, and they are what its context menu shows.
void setJapaneseActionTexts(QWebEnginePage *page);
