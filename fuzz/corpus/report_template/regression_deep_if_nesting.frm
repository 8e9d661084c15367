{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
{{#if StationName}}
x
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
{{/if}}
