                                  СМЕННЫЙ ОТЧЕТ
{{StationName:^80}}
{{#if Current}}
Текущая смена №{{FirstShift}}
{{#else}}
Смены с №{{FirstShift}} по №{{LastShift}}, всего смен: {{ShiftCount}}
{{/if}}
Начало:    {{BegTime}}
{{#if EndTime}}
Окончание: {{EndTime}}
{{#else}}
Окончание: смена не закрыта
{{/if}}
Операторы: {{Operators}}
{{#if Department}}
Отдел:     {{Department}}
{{/if}}
Наличные в кассе на начало: {{CashIn:,.2}}

